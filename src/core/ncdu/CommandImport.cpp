#include "core/ncdu/CommandImport.h"

#include <sys/wait.h>

#include <chrono>

#include "core/system/ChildProcess.h"

namespace raumfuchs {

bool CommandImport::succeeded() const {
    return reading.scan && !cancelled && exitedWith(0);
}

bool CommandImport::exitedWith(int code) const {
    return startError == 0 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

CommandImport importCommand(const std::vector<std::string>& argv,
                            const std::vector<std::string>& environment, const CancelToken& token,
                            const std::function<void(std::int64_t)>& onProgress,
                            const NameClassifier* classifier) {
    CommandImport outcome;
    const auto started = std::chrono::steady_clock::now();
    ChildProcess child(argv, environment);
    if ((outcome.startError = child.startError()) != 0) {
        return outcome;
    }
    const auto cancelled = [&token] { return token.isCancelled(); };
    ExportInput input(
        [&](char* into, std::size_t size) { return child.read(into, size, cancelled); });
    outcome.reading = readExport(input, token, onProgress, classifier);
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    outcome.cancelled = token.isCancelled();
    // A command whose output ended is let to end by itself, so that its last
    // words come; one that still writes what is not wanted any more is stopped.
    const bool stop = outcome.cancelled || (!outcome.reading.scan && !input.ended());
    outcome.status = child.finish(stop);
    outcome.lastErrorLine = child.lastErrorLine();
    return outcome;
}

}  // namespace raumfuchs
