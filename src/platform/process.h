// Starting other programs: the game, the text viewer, the DirectX setup.
#pragma once
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Opens `file` through the shell's "open" verb with `directory` as its
// working folder, owned by the desktop. True when the shell started it.
bool ShellOpen(const std::string& file, const std::string& directory);

// A started program. Destruction closes our handles; the program runs on.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // True once the program has ended (or can no longer be waited on).
    virtual bool Ended() = 0;
    // Blocks until the program ends or a window message is waiting.
    virtual void WaitForEndOrMessage() = 0;
    // Blocks until the program ends, `ms` milliseconds at most. True once
    // it has ended (or can no longer be waited on).
    virtual bool WaitForEnd(int ms) = 0;
    // The code the program ended with; nullopt while it runs or when the
    // system cannot say.
    virtual std::optional<int> ExitCode() = 0;
};

// Starts a program: `application` (empty: taken from the command line) with
// `commandLine` as given, no inherited handles, the default error mode and
// normal priority, this program's environment, and `directory` as its
// current folder (empty: this program's). nullptr when it cannot be started.
std::unique_ptr<ChildProcess> StartProcess(const std::string& application, const std::string& commandLine,
                                           const std::string& directory = std::string());

// Starts a program without a window of its own (a console program shows
// no console) in `directory` (empty: this program's current folder) and
// lets it run on by itself. True when it was started.
bool StartHidden(const std::string& application, const std::string& commandLine,
                 const std::string& directory = std::string());

// True on the Windows 95/98/Me family, false on the NT family.
bool IsWin9xFamily();

}  // namespace platform
