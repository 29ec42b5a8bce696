// The front end's own start-up values: a per-user store, application "クイロ～", group "Startup". Every value
// is a string; numbers are kept as decimal text.
#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace store {

// The value stored under key, or the key's default when there is none (an unknown key defaults to empty).
QString read(const QString &key);
void write(const QString &key, const QString &value);
// The store itself, with no group open (keys are "Startup/<key>").
std::unique_ptr<QSettings> open();
// The default of a key as the store's table gives it.
QString default_of(const QString &key);

}  // namespace store
