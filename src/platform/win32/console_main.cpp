// The entry of a console program on Windows: wide arguments become UTF-8.
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/win32/wintext.h"

int wmain(int argc, wchar_t** argv) {
    // An empty CD-ROM drive named on the command line must fail quietly, not
    // bring up the system's "no disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int length = lstrlenW(argv[i]);
        const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], length, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], length, arg.data(), size, nullptr, nullptr);
        args.push_back(arg);
    }
    return ConsoleMain(args);
}
