// The program's version record.
#pragma once

#include <QString>

namespace version {

inline const QString kProductName = QStringLiteral("クイロ～");
constexpr int kMajor = 0;
constexpr int kMinor = 67;
inline const QString kComments = QStringLiteral("a");

// "クイロ～ Ver 0.67a": the splash window's text.
inline QString splash_text() {
  return kProductName + QStringLiteral(" Ver ") + QString::number(kMajor) + QLatin1Char('.') +
         QString::number(kMinor) + kComments;
}

}  // namespace version
