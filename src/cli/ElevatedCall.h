#pragma once

#include <optional>
#include <string>

namespace raumfuchs {

// Started by pkexec (which sets PKEXEC_UID), raumfuchs-scan runs as root on
// behalf of a user who may not read what it reads, and the polkit action lets
// the same user start it again for a while without asking. So it takes just
// the one call the window makes, "--export - --quiet PATH" with an absolute
// PATH: it writes only to the standard output the user already holds, reads
// no file named by the caller and measures nothing that would need root's
// mounts. What a caller can learn from it is the names and sizes below PATH,
// which is what was authorised.
bool startedByPkexec();

// Nothing when `argv` is that call; else why not, for the message.
std::optional<std::string> elevatedCallRefusal(int argc, char** argv);

}  // namespace raumfuchs
