// Help texts, made from the command and settings tables.
#include "HelpText.h"

#include "HostSettings.h"

namespace quorvex::cli {

std::string MainHelp() {
    std::string text =
        "usage: quorvex [OPTIONS] COMMAND [ARGS]\n"
        "\n"
        "Options:\n"
        "  --target ENDPOINT   where the target is (default sim:$QUORVEX_HOME/flash)\n"
        "                      sim:, sim:DIR, tcp://HOST:PORT, unix:PATH\n"
        "  --core cp|ap        answer to the target-type question (cp without a terminal)\n"
        "  --instance NAME     flash-access instance name (default \"GUI Instance\")\n"
        "  --path FOLDER       folder to work in (default: the target's root path)\n"
        "  --trace FILE|-      write the module's trace lines to FILE, or stderr\n"
        "  --progress MODE     auto, bar, json or none\n"
        "  --json              machine-readable output (failures too)\n"
        "  -q, --quiet         failures and warnings only: no notes, confirmations, progress\n"
        "  -v, --verbose       the module's trace lines and a summary of the link traffic\n"
        "  --version           the program's version\n"
        "  --name=value works as --name value; -- ends the options.\n"
        "  QUORVEX_TARGET and QUORVEX_CORE give --target and --core when they are not given.\n"
        "\n"
        "Commands (quorvex COMMAND --help for an example):\n";
    for (const CommandDef& c : Commands()) {
        std::string name = c.name;
        name.resize(9, ' ');
        text += "  " + name + c.summary + "\n";
    }
    text +=
        "\n"
        "Exit status: 0 success; the operation's result code (2-28, 100-102); 1 when the\n"
        "target offers no reset command; 28 also when a transfer is stopped by a signal or\n"
        "a question is cancelled; 64 for a usage error; 70 for an internal failure.\n";
    return text;
}

std::string CommandHelp(const CommandDef& command) {
    std::string text = std::string("usage: quorvex ") + command.usage + "\n  " + command.summary +
                       "\n  e.g. " + command.example + "\n";
    if (std::string(command.name) == "settings") {
        text +=
            "\nSwitches (stored in $QUORVEX_HOME/settings.ini; the default is written when\n"
            "the store lacks the key):\n";
        for (const SettingKey& k : SettingKeys()) {
            text += "  \"" + std::string(k.key) + "\" (default " + std::to_string(k.host_default) +
                    "): " + k.what_it_does + "\n";
        }
    }
    return text;
}

}  // namespace quorvex::cli
