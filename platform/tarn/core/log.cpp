#include "log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn::log {

namespace {

struct State
{
    std::mutex mutex;
    int level = Warning;
    std::string directory;
    std::string prefix = "tarn";
    FILE *file = nullptr;
    std::string fileDay;
};

State &state()
{
    static State s;
    return s;
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
    return buf;
}

void removeOld(const std::string &directory, int days)
{
    DIR *dir = opendir(directory.c_str());
    if (!dir)
        return;
    const std::time_t limit = std::time(nullptr) - std::time_t(days) * 86400;
    while (dirent *entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("tarn-", 0) != 0 || name.size() < 9 || name.compare(name.size() - 4, 4, ".log") != 0)
            continue;
        const std::string path = directory + "/" + name;
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime < limit)
            unlink(path.c_str());
    }
    closedir(dir);
}

const char *levelName(Level level)
{
    switch (level) {
    case Error: return "error";
    case Warning: return "warning";
    case Info: return "info";
    case Debug: return "debug";
    default: return "";
    }
}

} // namespace

bool configure(int level, const std::string &directory, int autoDeleteDays)
{
    // Check the folder first: a refused setting leaves the log as it was.
    if (!directory.empty()) {
        mkdir(directory.c_str(), 0755);
        struct stat st {};
        if (stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || access(directory.c_str(), W_OK) != 0)
            return false;
        if (autoDeleteDays > 0)
            removeOld(directory, autoDeleteDays);
    }
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.level = level < None ? None : (level > Debug ? Debug : level);
    if (s.file) {
        std::fclose(s.file);
        s.file = nullptr;
    }
    s.directory = directory;
    s.fileDay.clear();
    return true;
}

void setPrefix(const std::string &prefix)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().prefix = prefix;
}

bool enabled(Level level)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return level <= state().level;
}

void write(Level level, const char *format, ...)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (level > s.level || level == None)
        return;
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    std::fprintf(stderr, "[%s] %s: %s\n", s.prefix.c_str(), levelName(level), message);
    if (s.directory.empty())
        return;
    const std::string day = today();
    if (!s.file || day != s.fileDay) {
        if (s.file)
            std::fclose(s.file);
        s.file = std::fopen((s.directory + "/tarn-" + day + ".log").c_str(), "a");
        s.fileDay = day;
    }
    if (s.file) {
        char stamp[32];
        const std::time_t now = std::time(nullptr);
        std::tm tm {};
        localtime_r(&now, &tm);
        std::strftime(stamp, sizeof stamp, "%H:%M:%S", &tm);
        std::fprintf(s.file, "%s %s: %s\n", stamp, levelName(level), message);
        std::fflush(s.file);
    }
}

} // namespace tarn::log
