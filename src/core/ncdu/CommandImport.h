#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ncdu/NcduImport.h"

namespace raumfuchs {

// What reading the export a command writes to its standard output came to.
struct CommandImport {
    ExportReading reading;  // the tree only when the output was a whole export
    bool cancelled = false;
    int startError = 0;         // errno when the command could not be started
    int status = 0;             // its exit status as waitpid() gives it
    std::string lastErrorLine;  // see ChildProcess
    double seconds = 0;         // from its start to the end of its output

    // The output was a whole export, and the command says it succeeded.
    bool succeeded() const;
    bool exitedWith(int code) const;
};

// Runs `argv` (see ChildProcess) and reads its output as an export while it
// is written, on the calling thread (the tree is built on a second one).
// Cancelling `token` ends the command as ChildProcess::finish() does; a
// command whose output breaks off or is not an export is stopped the same way
// once its output has been read as far as it goes. Returns once the command
// is reaped.
CommandImport importCommand(const std::vector<std::string>& argv,
                            const std::vector<std::string>& environment, const CancelToken& token,
                            const std::function<void(std::int64_t)>& onProgress,
                            const NameClassifier* classifier = nullptr);

}  // namespace raumfuchs
