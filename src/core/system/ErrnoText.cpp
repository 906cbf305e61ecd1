#include "core/system/ErrnoText.h"

#include <cerrno>
#include <cstring>

namespace raumfuchs {

std::string errnoText(int code) {
    switch (code) {
        case ENOENT:
            return "nicht vorhanden";
        case EACCES:
        case EPERM:
            return "keine Berechtigung";
        case ENOSPC:
            return "kein Platz mehr auf dem Datenträger";
        case EDQUOT:
            return "Speicherkontingent erschöpft";
        case EROFS:
            return "Dateisystem nur lesbar";
        case EISDIR:
            return "ist ein Ordner";
        case ENOTDIR:
            return "ein Teil des Pfads ist kein Ordner";
        case ELOOP:
            return "zu viele symbolische Verknüpfungen im Pfad";
        case ENAMETOOLONG:
            return "der Name ist zu lang";
        case EIO:
            return "Ein-/Ausgabefehler";
        case EFBIG:
            return "die Datei ist zu groß";
        case ENOMEM:
            return "zu wenig Speicher";
        case EPIPE:
            return "der Empfänger hat die Verbindung geschlossen";
        default:
            return std::strerror(code);
    }
}

}  // namespace raumfuchs
