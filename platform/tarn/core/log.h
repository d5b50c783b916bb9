#pragma once

// The library's log: standard error, and a daily file in a chosen folder. Never given secrets.

#include <string>

namespace tarn::log {

enum Level { None = 0, Error = 1, Warning = 2, Info = 3, Debug = 4 };

// `directory` empty: standard error only. `autoDeleteDays` > 0 removes older log files there.
bool configure(int level, const std::string &directory, int autoDeleteDays);
void setPrefix(const std::string &prefix);
bool enabled(Level level);
void write(Level level, const char *format, ...) __attribute__((format(printf, 2, 3)));

} // namespace tarn::log
