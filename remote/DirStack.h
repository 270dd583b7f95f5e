#pragma once
// The remote directory stack: slot k holds the absolute path of the directory at level k.
// It grows as deep as the user goes; slots above the current level keep what they last held.

#include <optional>
#include <string>
#include <vector>

namespace remote {

class DirStack {
public:
    DirStack() : slots_(1) {}

    int NivelDir() const { return level_; }
    // Slot k, empty when it was never written.
    std::string PilaDirs(int k) const;

    // A new connection: its login directory is level 0.
    void restart(std::string loginDir);
    // A folder was entered and listed as path.
    void entered(std::string path);
    // One level up: decrements the level and returns the path to go to, or nothing when the
    // new level has no slot (the level stays decremented either way).
    std::optional<std::string> up();

private:
    std::vector<std::string> slots_;
    int level_ = 0;
};

}  // namespace remote
