#include "app/compare/ComparisonSession.h"

#include <QDateTime>
#include <QFile>
#include <variant>

#include "app/color/ColorModes.h"
#include "core/compare/ChangeColoring.h"
#include "core/ncdu/NcduImport.h"
#include "core/text/Format.h"

namespace raumfuchs {

namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

ComparisonSession::ComparisonSession(ColorModes& modes, FailureHandler onFailure, QObject* parent)
    : QObject(parent), modes_(modes), onFailure_(std::move(onFailure)) {}

ComparisonSession::~ComparisonSession() {
    if (token_) {
        token_->cancel();  // the reading thread is joined next
    }
}

void ComparisonSession::start(const std::string& file, const FileNode& root) {
    end();
    if (!root) {
        return;
    }
    file_ = file;
    root_ = root;
    chosen_ = false;
    auto token = std::make_shared<CancelToken>();
    token_ = token;
    tasks_.run([this, file, token](const BackgroundTasks::Post& post) {
        std::variant<ImportedScan, std::string> outcome = importNcdu(file, *token, {});
        post([this, token, outcome = std::move(outcome)]() mutable {
            if (token_ != token) {
                if (auto* imported = std::get_if<ImportedScan>(&outcome)) {
                    releaseLater(imported->result.root.treePtr(), nullptr);
                }
                return;
            }
            if (const auto* message = std::get_if<std::string>(&outcome)) {
                const QString said = text(*message);
                end();
                if (!said.isEmpty()) {
                    onFailure_(said);
                }
                return;
            }
            ImportedScan& imported = std::get<ImportedScan>(outcome);
            baseline_ = imported.result.root.treePtr();
            time_ = imported.timestamp;
            compare();
            emit changed();  // the baseline's time is known
        });
    });
    emit changed();
}

void ComparisonSession::compare() {
    std::shared_ptr<const FileTree> current = root_.treePtr();
    tasks_.run(
        [this, current, baseline = baseline_, token = token_](const BackgroundTasks::Post& post) {
            std::uint64_t generation = 0;
            std::shared_ptr<TreeComparison> comparison;
            {
                // The main thread may change the tree meanwhile; a change waits
                // for the matching (0.16 s for 2,000,000 entries, see
                // docs/PERFORMANCE.md).
                const auto lock = current->readLock();
                generation = current->generation();
                comparison = std::make_shared<TreeComparison>(current, baseline);
            }
            post([this, token, current, generation, comparison = std::move(comparison)]() mutable {
                if (token_ != token || current != root_.treePtr()) {
                    releaseLater(nullptr, std::move(comparison));
                    return;  // ended, or another tree is shown: follow() compares that one
                }
                if (current->generation() != generation) {
                    releaseLater(nullptr, std::move(comparison));
                    compare();  // a folder was read in again meanwhile
                    return;
                }
                adopt(std::move(comparison));
            });
        });
}

void ComparisonSession::adopt(std::shared_ptr<TreeComparison> comparison) {
    comparison_ = std::move(comparison);
    modes_.offer(ColorMode::Change, std::make_shared<ChangeColoring>(comparison_));
    if (!chosen_) {
        chosen_ = true;
        modes_.choose(ColorMode::Change);
    }
    emit changed();
}

void ComparisonSession::follow(const FileNode& root) {
    if (!isActive() || root == root_) {
        return;
    }
    root_ = root;
    if (comparison_) {
        // The views must not read the old tree's comparison with the new tree.
        releaseLater(nullptr, std::move(comparison_));
        chosen_ = modes_.current() != ColorMode::Change;  // kept as the user left it
        modes_.offer(ColorMode::Change, nullptr);
    }
    if (baseline_ && root_) {
        compare();
    }
    emit changed();
}

void ComparisonSession::rematch(const FileNode& folder) {
    if (comparison_ && &folder.tree() == &comparison_->current()) {
        comparison_->rematch(folder.index());
    }
}

void ComparisonSession::end() {
    if (!isActive()) {
        return;
    }
    if (token_) {
        token_->cancel();
    }
    token_.reset();
    file_.clear();
    time_ = 0;
    root_ = {};
    std::shared_ptr<const FileTree> baseline = std::move(baseline_);
    std::shared_ptr<TreeComparison> comparison = std::move(comparison_);
    modes_.offer(ColorMode::Change, nullptr);
    emit changed();
    releaseLater(std::move(baseline), std::move(comparison));
}

void ComparisonSession::releaseLater(std::shared_ptr<const FileTree> baseline,
                                     std::shared_ptr<TreeComparison> comparison) {
    // A baseline of millions of entries takes a while to free; whoever still
    // holds the comparison (a view) lets go of it later, on this thread.
    tasks_.run([baseline = std::move(baseline),
                comparison = std::move(comparison)](const BackgroundTasks::Post&) mutable {
        comparison.reset();
        baseline.reset();
    });
}

QString ComparisonSession::reference() const {
    if (time_ > 0) {
        return QStringLiteral("seit ") +
               QDateTime::fromSecsSinceEpoch(time_).toString(QStringLiteral("dd.MM."));
    }
    const QString name = QFile::decodeName(QByteArray::fromStdString(file_));
    return QStringLiteral("gegenüber „%1“").arg(name.section(QLatin1Char('/'), -1));
}

QString ComparisonSession::changeOf(const FileNode& node) const {
    if (!comparison_ || !node || &node.tree() != &comparison_->current()) {
        return {};
    }
    switch (comparison_->state(node.index())) {
        case ChangeState::New:
            return QStringLiteral("neu");
        case ChangeState::Unchanged:
            return {};
        default:
            return text(Format::change(comparison_->deltaBytes(node.index())));
    }
}

QString ComparisonSession::changeSince(const FileNode& node) const {
    if (!comparison_ || !node || &node.tree() != &comparison_->current()) {
        return {};
    }
    const QString change = changeOf(node);
    return (change.isEmpty() ? QStringLiteral("unverändert") : change) + QLatin1Char(' ') +
           reference();
}

QString ComparisonSession::summary() const {
    if (!comparison_) {
        return {};
    }
    QString since;
    if (time_ > 0) {
        since = QDateTime::fromSecsSinceEpoch(time_).toString(
            QStringLiteral("'Seit' dd.MM.yyyy, HH:mm: "));
    } else {
        since = reference() + QStringLiteral(": ");
        since[0] = since[0].toUpper();
    }
    return since + text(Format::change(comparison_->deltaBytes(0))) + QStringLiteral(", ") +
           text(Format::filesChange(comparison_->deltaFiles(0)));
}

}  // namespace raumfuchs
