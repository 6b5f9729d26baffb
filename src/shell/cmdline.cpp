// Reading the command line of a run without the menu.
#include "shell/cmdline.h"

#include "platform/sjis.h"

namespace {

bool ParseSeconds(const std::string& text, int& seconds) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > 86400) return false;
    seconds = value;
    return true;
}

}  // namespace

const char* const kCommandLineHelp =
    "TazuStart.exe /install [/dir=<フォルダ>] [/variant=pcm|mwave] [/cd=<ドライブ>] [/launch] [/readme]\n"
    "              [/passive|/silent] [/disctimeout=<秒>] [/log=<ファイル>]\n"
    "TazuStart.exe /uninstall [/keepsaves|/deletesaves] [/cd=<ドライブ>] [/passive|/silent] [/log=<ファイル>]\n"
    "\n"
    "  /dir          インストール先（省略時はメニューと同じ提案先）\n"
    "  /variant      pcm：通常PCM音源版（省略時）、mwave：M-WAVE対策版\n"
    "  /cd           ディスク1のドライブ（省略時は起動したドライブ、なければ最初のCD-ROMドライブ）\n"
    "  /launch       インストール後にゲームを起動する\n"
    "  /readme       インストール後にReadme.txtを表示する\n"
    "  /keepsaves    セーブデータを残す（省略時）　/deletesaves：セーブデータも削除する\n"
    "  /passive      進行状況の画面だけを表示し、質問はしない（省略時）\n"
    "  /silent       画面を何も表示しない\n"
    "  /disctimeout  ディスク2を待つ秒数（省略時0：待たずに終了）\n"
    "  /log          各手順をUTF-8のテキストで記録する\n"
    "\n"
    "終了コード：0 完了　1 キャンセル　2 引数の誤り　3 ディスクが見つからない　4 空き容量不足\n"
    "　　　　　　5 コピーまたは削除の失敗（元に戻した）　6 ユーティリティかゲームが実行中\n"
    "　　　　　　7 フォルダに書き込めない　8 インストールが不完全（ファイルが足りない）\n";

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    CommandLine cmd;
    bool commandSeen = false, savesSeen = false, windowsSeen = false;
    std::vector<std::string> installOnly, uninstallOnly;
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) {
            error = "引数が正しくありません： " + arg;
            return std::nullopt;
        }
        std::string body = arg.substr(arg[1] == '-' ? 2 : 1);  // --help as well as -help
        const auto eq = body.find('=');
        const std::string name = sjis::FoldCase(body.substr(0, eq));
        const bool hasValue = eq != std::string::npos;
        const std::string value = hasValue ? body.substr(eq + 1) : std::string();
        const auto command = [&](CommandLine::Command c) {
            if (commandSeen && cmd.command != c) return false;
            commandSeen = true;
            cmd.command = c;
            return !hasValue;
        };
        bool ok = true;
        if (name == "?" || name == "H" || name == "HELP") {
            ok = command(CommandLine::Command::Help);
        } else if (name == "INSTALL") {
            ok = command(CommandLine::Command::Install);
        } else if (name == "UNINSTALL") {
            ok = command(CommandLine::Command::Uninstall);
        } else if (name == "DIR") {
            ok = hasValue && !value.empty();
            cmd.dir = value;
            installOnly.push_back(arg);
        } else if (name == "VARIANT") {
            const std::string v = sjis::FoldCase(value);
            ok = v == "PCM" || v == "MWAVE";
            cmd.mwave = v == "MWAVE";
            installOnly.push_back(arg);
        } else if (name == "CD") {
            const std::string v = sjis::FoldCase(value);
            ok = (v.size() == 1 || (v.size() == 2 && v[1] == ':') || (v.size() == 3 && v.compare(1, 2, ":\\") == 0)) &&
                 v[0] >= 'A' && v[0] <= 'Z';
            cmd.cd = ok ? v[0] : 0;
        } else if (name == "LAUNCH" || name == "README") {
            ok = !hasValue;
            (name == "LAUNCH" ? cmd.launch : cmd.readme) = true;
            installOnly.push_back(arg);
        } else if (name == "KEEPSAVES" || name == "DELETESAVES") {
            ok = !hasValue && !savesSeen;
            savesSeen = true;
            cmd.deleteSaves = name == "DELETESAVES";
            uninstallOnly.push_back(arg);
        } else if (name == "PASSIVE" || name == "SILENT") {
            ok = !hasValue && !windowsSeen;
            windowsSeen = true;
            cmd.windowsGiven = true;
            cmd.silent = name == "SILENT";
        } else if (name == "DISCTIMEOUT") {
            ok = ParseSeconds(value, cmd.discTimeout);
            installOnly.push_back(arg);
        } else if (name == "LOG") {
            ok = hasValue && !value.empty();
            cmd.log = value;
        } else {
            ok = false;
        }
        if (!ok) {
            error = "引数が正しくありません： " + arg;
            return std::nullopt;
        }
    }
    if (!commandSeen) {
        error = "/install か /uninstall を指定してください。";
        return std::nullopt;
    }
    const std::vector<std::string>& foreign = cmd.command == CommandLine::Command::Install ? uninstallOnly : installOnly;
    if (cmd.command != CommandLine::Command::Help && !foreign.empty()) {
        error = "この指定では使えない引数です： " + foreign.front();
        return std::nullopt;
    }
    return cmd;
}
