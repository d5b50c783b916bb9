#pragma once

// The emulator's state file, shared by its personalities: each keeps its devices under a member
// of its own and writes only that, so TARN and ONVIF devices of one process live in one file.

#include <string>

#include <nlohmann/json.hpp>

namespace tarn::emu {

// Replaces `member` in the file and writes it whole, atomically, readable by its owner only.
// Safe from several threads.
bool writeStateMember(const std::string &path, const std::string &member, const nlohmann::json &value);

} // namespace tarn::emu
