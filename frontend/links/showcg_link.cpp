#include "showcg_link.h"

#include <QUrl>

namespace showcg {
namespace {

const QString kScheme = QStringLiteral("javascript:showcg");

// Reads the script string literal that starts at text[open] (a quote); empty when it is not closed.
QString string_literal(const QString &text, qsizetype open) {
  const QChar quote = text.at(open);
  QString value;
  for (qsizetype i = open + 1; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == quote) return value;
    if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
      value += c;
      continue;
    }
    const QChar next = text.at(++i);
    bool ok = false;
    if (next == QLatin1Char('x') && i + 2 < text.size()) {
      const ushort code = text.mid(i + 1, 2).toUShort(&ok, 16);
      if (ok) {
        value += QChar(code);
        i += 2;
        continue;
      }
    }
    if (next == QLatin1Char('u') && i + 4 < text.size()) {
      const ushort code = text.mid(i + 1, 4).toUShort(&ok, 16);
      if (ok) {
        value += QChar(code);
        i += 4;
        continue;
      }
    }
    value += next;  // \\ \' \" and any other escaped character stand for themselves
  }
  return QString();
}

// A name that is not UTF-8 comes with each stray byte as a lone surrogate U+DC80-U+DCFF.
// A QString cannot give those bytes back, and a lossy file name could name another
// file: such a link names no picture here.
bool has_stray_byte(const QString &path) {
  for (qsizetype i = 0; i < path.size(); ++i) {
    const char16_t c = path.at(i).unicode();
    if (c >= 0xDC80 && c <= 0xDCFF && !(i > 0 && path.at(i - 1).isHighSurrogate())) return true;
  }
  return false;
}

}  // namespace

bool is_link(const QString &text) {
  return text.contains(kScheme, Qt::CaseInsensitive);
}

QString picture_path(const QString &text) {
  // The browser runs a javascript: address after percent-decoding it once; so do we.
  const QString script = QUrl::fromPercentEncoding(text.toUtf8());
  const qsizetype call = script.indexOf(kScheme, 0, Qt::CaseInsensitive);
  if (call < 0) return QString();
  qsizetype open = call + kScheme.size();
  while (open < script.size() && script.at(open) != QLatin1Char('\'') && script.at(open) != QLatin1Char('"'))
    ++open;
  const QString path = open < script.size() ? string_literal(script, open) : QString();
  return has_stray_byte(path) ? QString() : path;
}

}  // namespace showcg
