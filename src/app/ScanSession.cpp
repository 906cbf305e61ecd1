#include "app/ScanSession.h"

namespace raumfuchs {

ScanSession::ScanSession(ProgressHandler onProgress, ResultHandler onResult, ImportHandler onImport,
                         StreamHandler onStream, const NameClassifier* classifier)
    : onProgress_(std::move(onProgress)),
      onResult_(std::move(onResult)),
      onImport_(std::move(onImport)),
      onStream_(std::move(onStream)),
      classifier_(classifier) {}

ScanSession::~ScanSession() {
    cancel();  // the scan threads are joined next; they stop at their next checkpoint
}

void ScanSession::start(const ScanTarget& target) {
    cancel();
    auto token = std::make_shared<CancelToken>();
    token_ = token;
    scans_.run([this, token, target](const BackgroundTasks::Post& post) {
        const std::string name = target.displayName.toUtf8().toStdString();
        std::optional<ScanResult> result = DiskScanner::scan(target.path, name, *token,
                                                             [&](const ScanProgress& progress) {
                                                                 post([this, token, progress] {
                                                                     if (token_ == token) {
                                                                         onProgress_(progress);
                                                                     }
                                                                 });
                                                             },
                                                             {.classifier = classifier_});
        if (result && target.volumeUsed && !result->rootUnreachable()) {
            result->unattributed =
                measureUnattributedSpace(result->enteredMounts, *target.volumeUsed,
                                         result->root.size(), result->unreadableCount, token.get());
        }
        post([this, token, target, result = std::move(result)]() mutable {
            if (token_ != token) {
                if (result) {
                    release(std::move(result->root));  // superseded after all its work
                }
                return;
            }
            token_.reset();
            onResult_(std::move(result), target);
        });
    });
}

std::function<void(std::int64_t)> ScanSession::entryCounter(
    const std::shared_ptr<CancelToken>& token, const BackgroundTasks::Post& post) {
    return [this, token, &post](std::int64_t entries) {
        post([this, token, entries] {
            if (token_ == token) {
                onProgress_(ScanProgress{entries, 0, {}});
            }
        });
    };
}

void ScanSession::import(const ScanTarget& target) {
    cancel();
    auto token = std::make_shared<CancelToken>();
    token_ = token;
    scans_.run([this, token, target](const BackgroundTasks::Post& post) {
        std::variant<ImportedScan, std::string> outcome =
            importNcdu(target.path, *token, entryCounter(token, post), classifier_);
        post([this, token, target, outcome = std::move(outcome)]() mutable {
            if (token_ != token) {
                if (auto* imported = std::get_if<ImportedScan>(&outcome)) {
                    release(std::move(imported->result.root));
                }
                return;
            }
            token_.reset();
            onImport_(std::move(outcome), target);
        });
    });
}

void ScanSession::stream(const ScanTarget& target, const StreamLaunchers& launchers) {
    cancel();
    const StreamCommand command = streamCommand(target.remote, target.path, launchers);
    auto token = std::make_shared<CancelToken>();
    token_ = token;
    scans_.run([this, token, target, command](const BackgroundTasks::Post& post) {
        CommandImport outcome = importCommand(command.argv, command.environment, *token,
                                              entryCounter(token, post), classifier_);
        post([this, token, target, outcome = std::move(outcome)]() mutable {
            if (token_ != token) {
                if (outcome.reading.scan) {
                    release(std::move(outcome.reading.scan->result.root));
                }
                return;
            }
            token_.reset();
            onStream_(std::move(outcome), target);
        });
    });
}

void ScanSession::cancel() {
    if (token_) {
        token_->cancel();
    }
    token_.reset();
}

void ScanSession::release(FileNode node) {
    std::shared_ptr<FileTree> tree = node.treePtr();
    node = {};
    if (!tree || tree.use_count() != 1) {
        return;  // someone else still holds it and lets go of it later
    }
    releases_.run([tree = std::move(tree)](const BackgroundTasks::Post&) mutable { tree.reset(); });
}

}  // namespace raumfuchs
