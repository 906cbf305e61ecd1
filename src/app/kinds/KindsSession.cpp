#include "app/kinds/KindsSession.h"

#include <numbers>

#include "core/kinds/AgeColoring.h"
#include "core/kinds/KindColoring.h"

namespace raumfuchs {

namespace {

// The rings of the chart (SunburstView::kRings): the folders whose arcs it
// can draw get their mixes.
constexpr int kChartRings = 5;

}  // namespace

KindsSession::KindsSession(ColorModes& modes, QObject* parent) : QObject(parent), modes_(modes) {
    std::string error;
    if (std::optional<MimeGlobs> globs = MimeGlobs::read(MimeGlobs::kSystemFile, error)) {
        kinds_ = std::make_shared<const FileKinds>(std::move(*globs));
    } else {
        kindsError_ = QString::fromStdString(error);
    }
    connect(&modes_, &ColorModes::changed, this, &KindsSession::countIfNeeded);
}

void KindsSession::follow(const FileNode& folder) {
    const std::uint64_t generation = folder ? folder.tree().generation() : 0;
    if (folder == folder_ && generation == generation_) {
        return;
    }
    const bool sameTree = folder && folder_ && &folder.tree() == &folder_.tree();
    folder_ = folder;
    generation_ = generation;
    totals_.reset();
    counting_ = false;
    if (!sameTree) {
        // Mixes are by index: those of another tree would colour wrong arcs.
        shownTotals_ = folder_ ? std::make_shared<const KindTotals>() : nullptr;
    }
    if (!folder_ && selected_) {
        selected_.reset();
        emit selectionChanged();
    }
    offerColorings();
    countIfNeeded();
    emit totalsChanged();
}

void KindsSession::setShown(bool shown) {
    shown_ = shown;
    countIfNeeded();
}

void KindsSession::toggle(FileCategory category) {
    if (selected_ == category) {
        selected_.reset();
    } else {
        selected_ = category;
    }
    emit selectionChanged();
    countIfNeeded();
}

void KindsSession::clearSelection() {
    if (selected_) {
        selected_.reset();
        emit selectionChanged();
    }
}

double KindsSession::emphasis(const Segment& segment) const {
    if (!selected_ || !shownTotals_) {
        return 1;
    }
    return kDimmed + (1 - kDimmed) * KindColoring::share(*shownTotals_, segment, *selected_);
}

bool KindsSession::needed() const {
    const ColorMode mode = modes_.current();
    return folder_ && kinds_ &&
           (shown_ || selected_ || mode == ColorMode::Kind || mode == ColorMode::Age);
}

void KindsSession::countIfNeeded() {
    if (!needed() || totals_ || counting_) {
        return;
    }
    counting_ = true;
    waiting_ = folder_;
    ++latest_;
    if (!walking_) {
        countNext();
    }
    emit totalsChanged();
}

void KindsSession::countNext() {
    if (!waiting_) {
        return;
    }
    walking_ = true;
    tasks_.run([this, folder = std::move(waiting_), number = latest_,
                kinds = kinds_](const BackgroundTasks::Post& post) {
        const FileTree& tree = folder.tree();
        const std::uint64_t generation = tree.generation();
        const KindTotals::Options options{
            .mixDepth = kChartRings, .mixMinShare = Segment::kMinimumSpan / (2 * std::numbers::pi)};
        std::optional<KindTotals> totals =
            KindTotals::collect(tree, folder.index(), *kinds, options);
        const bool complete = totals && tree.generation() == generation;
        auto result = complete ? std::make_shared<const KindTotals>(std::move(*totals)) : nullptr;
        post([this, number, generation, folder, result = std::move(result)] {
            walking_ = false;
            if (result && number == latest_ && folder == folder_ &&
                folder.tree().generation() == generation) {
                totals_ = result;
                shownTotals_ = result;
                counting_ = false;
                offerColorings();
                emit totalsChanged();
            }
            countNext();
        });
    });
    waiting_ = {};
}

void KindsSession::offerColorings() {
    if (!folder_ || !kinds_) {
        modes_.offer(ColorMode::Kind, nullptr);
        modes_.offer(ColorMode::Age, nullptr);
        return;
    }
    modes_.offer(ColorMode::Kind, std::make_shared<KindColoring>(shownTotals_));
    // A tree without change times (an export without them) has no ages to
    // show: its root has none either, or else its counted files say so.
    const bool ages =
        folder_.tree().ageDays(0) != EntryStamp::kUnknownAge || (totals_ && totals_->hasAges());
    modes_.offer(ColorMode::Age, ages ? std::make_shared<AgeColoring>(shownTotals_) : nullptr);
}

}  // namespace raumfuchs
