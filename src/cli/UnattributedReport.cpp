#include "cli/UnattributedReport.h"

#include "core/text/Format.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

std::string unattributedJson(const UnattributedSpace& space) {
    return ",\"unattributed\":{\"reserved\":" + std::to_string(space.reserved) +
           ",\"deletedOpen\":" + std::to_string(space.deletedOpen.bytes) +
           ",\"underMounts\":" + (space.underMounts ? std::to_string(*space.underMounts) : "null") +
           ",\"rest\":" + std::to_string(space.rest()) + ",\"used\":" + std::to_string(space.used) +
           ",\"remainder\":" + std::to_string(space.remainder) + "}";
}

std::string unattributedText(const UnattributedSpace& space) {
    // One part a line, its value in a column (labels padded by characters).
    const auto line = [](std::string label, const std::string& value) {
        const std::size_t characters = terminalColumns(label);
        label.append(characters < 27 ? 27 - characters : 0, ' ');
        return label + value + "\n";
    };
    std::string holders;
    for (const std::string& name : space.deletedOpen.holders) {
        holders += (holders.empty() ? " (gehalten von " : ", ") + escapeForTerminal(name);
    }
    // What the file systems entered report as used; a scan of "/" names them.
    std::string used = Format::bytes(space.used);
    if (space.fileSystems.size() > 1) {
        used += " auf " + std::to_string(space.fileSystems.size()) + " Dateisystemen:";
        for (std::size_t i = 0; i < space.fileSystems.size(); ++i) {
            used += (i == 0 ? " " : ", ") + escapeForTerminal(space.fileSystems[i]);
        }
    }
    std::string text = line("Belegt:", used);
    text += line("Nicht zuordenbar:", Format::bytes(space.remainder));
    text += line("  für root reserviert:", Format::bytes(space.reserved));
    text += line("  gelöscht, noch offen:",
                 Format::bytes(space.deletedOpen.bytes) + (holders.empty() ? "" : holders + ")"));
    if (space.deletedOpen.uninspectedProcesses > 0) {
        text += line("  nicht prüfbare Prozesse:",
                     Format::integer(space.deletedOpen.uninspectedProcesses) +
                         " (was sie offen halten, ist unbekannt)");
    }
    text += line("  unter Einhängepunkten:",
                 space.underMounts ? Format::bytes(*space.underMounts)
                                   : "nicht gemessen – " + space.underMountsUnmeasured);
    text += line("  nicht lesbare Ordner:",
                 Format::integer(space.unreadableFolders) + " (Inhalt unbekannt, steckt im Rest)");
    text += line("  Rest:", Format::bytes(space.rest()));
    return text;
}

}  // namespace raumfuchs
