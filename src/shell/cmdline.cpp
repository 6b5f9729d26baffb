// Reading the command line of a run without the menu.
#include "shell/cmdline.h"

#include <initializer_list>

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

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

// The system splits a command line so that \" is a quote character inside
// the argument, not its end: /dir="C:\Games\" /silent arrives as the one
// argument `/dir=C:\Games" /silent`, the options after it swallowed. No
// Windows path holds a '"', so such an argument is always this mistake.
std::string QuoteInArgument(const std::string& arg) {
    const auto quote = arg.find('"');
    const std::string before = arg.substr(0, quote);
    const std::string after = arg.substr(quote + 1);
    std::string text = "引数に「\"」が含まれています： " + arg +
                       "\n引用符の直前の「\\」は、引用符を文字の「\"」に変えます。";
    // A blank inside one argument: what followed was split no further.
    const auto blank = after.find(' ');
    if (blank != std::string::npos) {
        const auto swallowed = after.find_first_not_of(' ', blank);
        if (swallowed != std::string::npos)
            text += "そのため後ろの「" + after.substr(swallowed) + "」まで、この引数の値になりました。";
    }
    const auto eq = before.find('=');
    if (eq != std::string::npos && eq + 1 < before.size()) {
        const std::string name = before.substr(0, eq + 1), value = before.substr(eq + 1);
        text += "\n最後の「\\」を付けずに " + name + "\"" + value + "\" と書いてください";
        if (value.find(' ') == std::string::npos) text += "（引用符なしの " + before + " でもかまいません）";
        text += "。";
    } else {
        text += "\n引用符で囲んだ値の最後には「\\」を付けないでください。";
    }
    return text;
}

}  // namespace

// One item a line and no columns: in a message box the font is proportional
// and blanks line nothing up.
const char* const kCommandLineHelp =
    "TazuStart.exe /install [/dir=<フォルダ>] [/variant=pcm|mwave] [/cd=<ドライブ>]\n"
    "[/launch] [/readme] [/passive|/silent] [/disctimeout=<秒>] [/log[=<ファイル>]]\n"
    "TazuStart.exe /uninstall [/keepsaves|/deletesaves] [/cd=<ドライブ>]\n"
    "[/passive|/silent] [/log[=<ファイル>]]\n"
    "\n"
    "/dir=<フォルダ>：インストール先（省略時はメニューと同じ提案先）\n"
    "/variant=pcm：通常PCM音源版（省略時）\n"
    "/variant=mwave：M-WAVE対策版\n"
    "/cd=<ドライブ>：ディスク1のドライブ（省略時は起動元か最初のCD-ROMドライブ）\n"
    "/launch：インストール後にゲームを起動する\n"
    "/readme：インストール後にReadme.txtを表示する\n"
    "/keepsaves：セーブデータを残す（省略時）\n"
    "/deletesaves：セーブデータも削除する\n"
    "/passive または /qb：進行状況の画面だけを表示し、質問はしない（省略時）\n"
    "/silent、/verysilent、/quiet または /qn：画面を何も表示しない\n"
    "/disctimeout=<秒>：ディスク2を待つ秒数（省略時0：待たずに終了）\n"
    "/log=<ファイル>：各手順をUTF-8のテキストで記録する\n"
    "/log：同じ記録を一時フォルダの TazuStart-年月日-時分秒.log に作る\n"
    "\n"
    "値を引用符で囲むときは、最後に「\\」を付けないこと：/dir=\"C:\\My Games\"\n"
    "（「\\\"」は引用符の文字と読まれ、後ろの引数まで値に入ってしまう）\n"
    "\n"
    "終了コード：\n"
    "0：完了\n"
    "1：キャンセル\n"
    "2：引数の誤り\n"
    "3：ディスクが見つからない\n"
    "4：空き容量不足\n"
    "5：コピーまたは削除の失敗（元に戻した）\n"
    "6：ユーティリティかゲームが実行中\n"
    "7：フォルダに書き込めない\n"
    "8：インストールが不完全（ファイルが足りない）\n"
    "9：別のフォルダにインストール済み\n"
    "10：失敗したインストールを元に戻し切れなかった（次回起動時に続きを行う）\n";

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    CommandLine cmd;
    bool commandSeen = false, savesSeen = false, windowsSeen = false;
    std::vector<std::string> installOnly, uninstallOnly;
    for (const std::string& arg : args) {
        if (arg.find('"') != std::string::npos) {
            error = QuoteInArgument(arg);
            return std::nullopt;
        }
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
        } else if (IsOneOf(name, {"PASSIVE", "QB", "SILENT", "VERYSILENT", "QUIET", "QN"})) {
            // Also as script authors know them: /qb, /qn and /quiet from the
            // system's installer, /verysilent from setup builders.
            ok = !hasValue && !windowsSeen;
            windowsSeen = true;
            cmd.windowsGiven = true;
            cmd.silent = !IsOneOf(name, {"PASSIVE", "QB"});
        } else if (name == "DISCTIMEOUT") {
            ok = ParseSeconds(value, cmd.discTimeout);
            installOnly.push_back(arg);
        } else if (name == "LOG") {
            // "/log=" is a script's variable that came out empty, not a wish
            // for the temporary folder.
            ok = !hasValue || !value.empty();
            cmd.log = value;
            cmd.logToTemp = !hasValue;
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
