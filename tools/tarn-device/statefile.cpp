#include "statefile.h"

#include <cstdio>
#include <fstream>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace tarn::emu {

bool writeStateMember(const std::string &path, const std::string &member, const nlohmann::json &value)
{
    if (path.empty())
        return true;
    static std::mutex mutex;
    static nlohmann::json document;
    static std::string loadedFrom;
    std::lock_guard<std::mutex> lock(mutex);
    if (loadedFrom != path) {
        // What the other personality wrote before this process started stays.
        std::ifstream in(path);
        document = in ? nlohmann::json::parse(in, nullptr, false) : nlohmann::json();
        if (!document.is_object())
            document = nlohmann::json::object();
        loadedFrom = path;
    }
    document["version"] = 1;
    document[member] = value;
    const std::string temporary = path + ".tmp";
    // The state holds the devices' secret keys and passwords.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string text = document.dump(1) + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    return written && std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace tarn::emu
