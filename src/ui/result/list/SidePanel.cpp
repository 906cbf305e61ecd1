#include "ui/result/list/SidePanel.h"

#include <QButtonGroup>
#include <QDrag>
#include <QGridLayout>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "app/AppModel.h"
#include "app/LargestFilesLoader.h"
#include "core/text/PathText.h"
#include "ui/result/list/KindListModel.h"
#include "ui/result/list/KindRow.h"
#include "ui/result/list/NodeListModel.h"
#include "ui/result/list/NodeRow.h"
#include "ui/result/list/TrashDropZone.h"
#include "ui/result/node/HoverState.h"
#include "ui/result/node/NodeMenu.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Spinner.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

namespace {

constexpr int kInset = 12;  // of the picker and the list, as of the drop zone
constexpr int kIdealWidth = 400;

// The list with the gestures QListView leaves to its owner: Delete trashes,
// Backspace goes up as it does in the chart and in file managers, and a drag
// carries only the dragged row.
class NodeListView : public QListView {
  public:
    NodeListView(SidePanel& panel, QWidget* parent) : QListView(parent), panel_(panel) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Delete) {
            panel_.trashSelection();
        } else if (event->key() == Qt::Key_Backspace) {
            panel_.goUp();
        } else {
            QListView::keyPressEvent(event);
            return;
        }
        event->accept();
    }

    void startDrag(Qt::DropActions) override {
        const auto node = currentIndex().data(NodeListModel::NodeRole).value<FileNode>();
        if (!node) {
            return;
        }
        auto* drag = new QDrag(this);
        drag->setMimeData(SidePanel::mimeData(node));
        drag->setPixmap(NodeRow::icon(node).pixmap(32, 32));
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    }

  private:
    SidePanel& panel_;
};

// The kinds view: Return and Space choose the current row as a click does.
class KindListView : public QListView {
  public:
    KindListView(std::function<void(const QModelIndex&)> choose, QWidget* parent)
        : QListView(parent), choose_(std::move(choose)) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            choose_(currentIndex());
            event->accept();
            return;
        }
        QListView::keyPressEvent(event);
    }

  private:
    std::function<void(const QModelIndex&)> choose_;
};

QToolButton* segment(const QString& title, const char* name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(title);
    button->setObjectName(QLatin1String(name));
    button->setCheckable(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

// The buttons of the view picker drawn as one segmented control. The
// focus (on the chosen one: the arrow keys choose) is an underlined title.
const char* kPickerStyle = R"(
QToolButton { border: 1px solid palette(mid); background: palette(button); padding: 3px 12px; }
QToolButton:checked { background: palette(highlight); color: palette(highlighted-text); }
QToolButton:focus { text-decoration: underline; }
QToolButton#first { border-top-left-radius: 6px; border-bottom-left-radius: 6px; }
QToolButton#middle { border-left: none; }
QToolButton#last { border-left: none; border-top-right-radius: 6px;
                   border-bottom-right-radius: 6px; }
QToolButton#byChange { margin-left: 12px; border-radius: 6px; }
)";

}  // namespace

SidePanel::SidePanel(AppModel& model, HoverState& hover, QWidget* parent)
    : QWidget(parent),
      model_(model),
      hover_(hover),
      loader_(new LargestFilesLoader(this)),
      rows_(new NodeListModel(this)),
      kindRows_(new KindListModel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // View picker ("Ansicht").
    auto* picker = new QWidget(this);
    picker->setAccessibleName(QStringLiteral("Ansicht"));
    picker->setStyleSheet(QLatin1String(kPickerStyle));
    auto* pickerRow = new QHBoxLayout(picker);
    pickerRow->setContentsMargins(kInset, kInset, kInset, kInset);
    pickerRow->setSpacing(0);
    contentsButton_ = segment(QStringLiteral("Inhalt"), "first", picker);
    largestButton_ = segment(QStringLiteral("Größte Dateien"), "middle", picker);
    kindsButton_ = segment(QStringLiteral("Dateitypen"), "last", picker);
    contentsButton_->setChecked(true);
    auto* group = new QButtonGroup(picker);
    group->setExclusive(true);
    group->addButton(contentsButton_);
    group->addButton(largestButton_);
    group->addButton(kindsButton_);
    pickerRow->addWidget(contentsButton_);
    pickerRow->addWidget(largestButton_);
    pickerRow->addWidget(kindsButton_);
    layout->addWidget(picker);
    kindFilter_ = new TextLabel(QString(), Style::TextStyle::Caption, this);
    kindFilter_->setObjectName(QStringLiteral("kindFilter"));
    kindFilter_->setLevel(Style::Level::Secondary);
    kindFilter_->setContentsMargins(kInset, 0, kInset, kInset / 2);
    kindFilter_->hide();
    layout->addWidget(kindFilter_);
    connect(contentsButton_, &QAbstractButton::clicked, this, [this] { setMode(Mode::Contents); });
    connect(largestButton_, &QAbstractButton::clicked, this, [this] { setMode(Mode::Largest); });
    connect(kindsButton_, &QAbstractButton::clicked, this, [this] { setMode(Mode::Kinds); });
    // While the tree is compared with a baseline: the children by their change.
    auto* byChange = segment(QStringLiteral("Nach Veränderung"), "byChange", picker);
    byChange->setVisible(false);
    pickerRow->addWidget(byChange);
    connect(byChange, &QAbstractButton::toggled, this, [this](bool on) {
        rows_->setOrder(on ? NodeListModel::Order::Change : NodeListModel::Order::Size);
    });
    rows_->setComparison(&model_.comparison());
    connect(&model_.comparison(), &ComparisonSession::changed, this, [this, byChange] {
        byChange->setVisible(model_.comparison().isActive());
        if (!model_.comparison().isActive()) {
            byChange->setChecked(false);
        }
        rows_->comparisonChanged();
    });

    // The list with its overlays, all in one grid cell.
    auto* area = new QWidget(this);
    auto* stack = new QGridLayout(area);
    // Inset like the picker above and the drop zone below.
    stack->setContentsMargins(kInset, 0, kInset, 0);
    list_ = new NodeListView(*this, area);
    list_->setObjectName(QStringLiteral("rows"));
    list_->setModel(rows_);
    list_->setItemDelegate(new NodeRow(hover_, list_));
    list_->setUniformItemSizes(true);  // keeps 100,000 rows cheap to lay out
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAlternatingRowColors(true);
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setMouseTracking(true);
    kindList_ = new KindListView([this](const QModelIndex& index) { toggleKind(index); }, area);
    kindList_->setObjectName(QStringLiteral("kinds"));
    kindList_->setAccessibleName(QStringLiteral("Dateitypen"));
    kindList_->setModel(kindRows_);
    kindList_->setItemDelegate(new KindRow(kindList_));
    kindList_->setSelectionMode(QAbstractItemView::NoSelection);
    kindList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    kindList_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    kindList_->setFrameShape(QFrame::NoFrame);
    kindList_->hide();
    spinner_ = new Spinner(Spinner::small(), area);
    spinner_->setAttribute(Qt::WA_TransparentForMouseEvents);
    spinner_->setObjectName(QStringLiteral("spinner"));
    emptyLabel_ = new TextLabel(QString(), Style::TextStyle::Body, area);
    emptyLabel_->setObjectName(QStringLiteral("emptyText"));
    emptyLabel_->setLevel(Style::Level::Secondary);
    emptyLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    stack->addWidget(list_, 0, 0);
    stack->addWidget(kindList_, 0, 0);
    stack->addWidget(spinner_, 0, 0, Qt::AlignCenter);
    stack->addWidget(emptyLabel_, 0, 0, Qt::AlignCenter);
    spinner_->raise();
    emptyLabel_->raise();
    layout->addWidget(area, 1);

    auto* dropZone = new TrashDropZone(model_, this);
    dropZone->setObjectName(QStringLiteral("dropZone"));
    layout->addWidget(dropZone);
    // An imported tree's paths name another machine's files: no trash, and no
    // rows dragged out as files, which would hand over this machine's files
    // of the same path.
    const auto followOrigin = [this, dropZone] {
        dropZone->setVisible(!model_.isImported());
        list_->setDragEnabled(!model_.isImported());
    };
    connect(&model_, &AppModel::exportOriginChanged, this, followOrigin);
    followOrigin();

    connect(list_, &QListView::customContextMenuRequested, this, &SidePanel::showMenu);
    connect(list_, &QListView::doubleClicked, this, &SidePanel::activate);
    connect(&hover_, &HoverState::changed, list_->viewport(), qOverload<>(&QWidget::update));
    connect(&model_, &AppModel::currentChanged, this, &SidePanel::onCurrentChanged);
    connect(&model_, &AppModel::treeRevisionChanged, this, &SidePanel::onRevisionChanged);
    rows_->setRefreshing([this](const FileNode& node) { return model_.isRefreshing(node); });
    connect(&model_, &AppModel::refreshingChanged, rows_, &NodeListModel::refreshingChanged);
    connect(loader_, &LargestFilesLoader::loaded, this, &SidePanel::onLoaded);
    connect(kindList_, &QListView::clicked, this, &SidePanel::toggleKind);
    connect(&model_.kinds(), &KindsSession::totalsChanged, this, &SidePanel::showKinds);
    connect(&model_.kinds(), &KindsSession::selectionChanged, this, [this] {
        kindRows_->setSelected(model_.kinds().selected());
        updateKindFilter();
        // The largest files follow the selected kind; setMode() loads them
        // anew when they are shown later.
        if (mode_ == Mode::Largest) {
            loadLargest();
        }
    });

    refreshRows();
}

SidePanel::~SidePanel() = default;

void SidePanel::setMode(Mode mode) {
    contentsButton_->setChecked(mode == Mode::Contents);
    largestButton_->setChecked(mode == Mode::Largest);
    kindsButton_->setChecked(mode == Mode::Kinds);
    if (mode_ == mode) {
        return;
    }
    mode_ = mode;
    list_->setVisible(mode_ != Mode::Kinds);
    kindList_->setVisible(mode_ == Mode::Kinds);
    model_.kinds().setShown(mode_ == Mode::Kinds);
    updateKindFilter();
    if (mode_ == Mode::Largest) {
        loadLargest();
    }
    refreshRows();
}

// Showing another list resets the rows, and with them the selection.
void SidePanel::onCurrentChanged() {
    if (mode_ == Mode::Largest) {
        loadLargest();
    }
    refreshRows();
}

void SidePanel::onRevisionChanged() {
    // A walk that the change of the tree made give up delivers nothing; a
    // load still wanted is therefore started again, in either mode.
    if (mode_ == Mode::Largest || loadingLargest_) {
        loadLargest();
    }
    // The rows of what went to the trash are removed one by one, so the
    // selection of the others and the scroll position stay.
    rows_->followTree();
    updateOverlay();
}

void SidePanel::loadLargest() {
    loadingLargest_ = true;
    const std::optional<FileCategory> kind = model_.kinds().selected();
    loader_->load(
        model_.current(),
        kind ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(*kind)) : std::nullopt);
    updateOverlay();
}

void SidePanel::showKinds() {
    const KindsSession& kinds = model_.kinds();
    kindRows_->show(kinds.totals(), kinds.folder() ? kinds.folder().size() : 0);
    kindRows_->setSelected(kinds.selected());
    updateOverlay();
}

void SidePanel::updateKindFilter() {
    const std::optional<FileCategory> kind = model_.kinds().selected();
    if (kind) {
        kindFilter_->setText(QStringLiteral("Nur %1 (unter „Dateitypen“ gewählt)")
                                 .arg(toQString(categoryName(*kind))));
    }
    kindFilter_->setVisible(mode_ == Mode::Largest && kind);
}

void SidePanel::toggleKind(const QModelIndex& index) {
    const QVariant category = index.data(KindListModel::CategoryRole);
    if (category.isValid()) {
        model_.kinds().toggle(static_cast<FileCategory>(category.toInt()));
    }
}

void SidePanel::onLoaded(const FileNode& folder, std::vector<FileNode> files) {
    if (folder == model_.current()) {
        largest_ = std::move(files);
        loadingLargest_ = false;
        if (mode_ == Mode::Largest) {
            // The new list replaces every row; those still in it stay selected.
            std::vector<NodeId> selected;
            for (const FileNode& node : selectedNodes()) {
                selected.push_back(node.id());
            }
            refreshRows();
            selectRows(rows_->rowsOf(selected));
        }
    } else {
        // The folder was left meanwhile. The loader delivers only its latest
        // request, so no other load is running: the spinner stops, and the
        // list keeps what it showed.
        loadingLargest_ = false;
    }
    updateOverlay();
}

void SidePanel::refreshRows() {
    if (mode_ == Mode::Contents) {
        rows_->showContents(model_.current());
    } else {
        rows_->showLargest(model_.current(), largest_);
    }
    updateOverlay();
}

void SidePanel::selectRows(const std::vector<int>& found) {
    QItemSelection selection;
    for (std::size_t i = 0; i < found.size();) {
        std::size_t j = i;
        while (j + 1 < found.size() && found[j + 1] == found[j] + 1) {
            ++j;
        }
        selection.select(rows_->index(found[i]), rows_->index(found[j]));
        i = j + 1;
    }
    list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void SidePanel::updateOverlay() {
    if (mode_ == Mode::Kinds) {
        const KindsSession& kinds = model_.kinds();
        spinner_->setVisible(kinds.isCounting());
        // Without the desktop's MIME database there are no kinds to show.
        emptyLabel_->setText(kinds.kinds() ? QStringLiteral("Keine Dateien gefunden.")
                                           : kinds.kindsError());
        emptyLabel_->setVisible(!kinds.isCounting() && kindRows_->rowCount() == 0);
        return;
    }
    spinner_->setVisible(mode_ == Mode::Largest && loadingLargest_);
    const bool empty = rows_->rowCount() == 0 && !loadingLargest_;
    emptyLabel_->setText(mode_ == Mode::Contents ? QStringLiteral("Dieser Ordner ist leer.")
                                                 : QStringLiteral("Keine Dateien gefunden."));
    emptyLabel_->setVisible(empty);
}

QSize SidePanel::sizeHint() const {
    return {kIdealWidth, QWidget::sizeHint().height()};
}

std::vector<FileNode> SidePanel::selectedNodes() const {
    QModelIndexList indexes = list_->selectionModel()->selectedRows();
    std::sort(indexes.begin(), indexes.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<FileNode> nodes;
    nodes.reserve(static_cast<std::size_t>(indexes.size()));
    for (const QModelIndex& index : indexes) {
        if (FileNode node = rows_->nodeAt(index.row())) {
            nodes.push_back(std::move(node));
        }
    }
    return nodes;
}

std::vector<FileNode> SidePanel::menuNodes(const QModelIndex& index) const {
    if (!index.isValid()) {
        return {};
    }
    if (list_->selectionModel()->isSelected(index)) {
        return selectedNodes();
    }
    const FileNode node = rows_->nodeAt(index.row());
    return node ? std::vector<FileNode>{node} : std::vector<FileNode>{};
}

void SidePanel::activate(const QModelIndex& index) {
    const std::vector<FileNode> nodes = menuNodes(index);
    if (nodes.size() != 1) {
        return;
    }
    const FileNode& node = nodes.front();
    if (node.isDirectory() && node.childCount() > 0) {
        model_.navigate(node);
    } else {
        model_.openItem(node);
    }
}

void SidePanel::trashSelection() {
    model_.requestTrash(selectedNodes());
}

void SidePanel::goUp() {
    const FileNode from = model_.current();
    const FileNode up = from ? from.parent() : FileNode();
    if (!up) {
        return;
    }
    model_.navigate(up);
    if (mode_ == Mode::Contents) {
        const std::vector<int> rows = rows_->rowsOf({from.id()});
        if (!rows.empty()) {
            selectRows(rows);
            list_->selectionModel()->setCurrentIndex(rows_->index(rows.front()),
                                                     QItemSelectionModel::NoUpdate);
        }
    }
}

void SidePanel::showMenu(const QPoint& position) {
    const std::unique_ptr<QMenu> menu =
        NodeMenu::create(model_, menuNodes(list_->indexAt(position)), this);
    menu->exec(list_->viewport()->mapToGlobal(position));
}

QMimeData* SidePanel::mimeData(const FileNode& node) {
    const std::string path = node.path();
    // Encoded from the raw bytes: a name that is not valid UTF-8 must reach
    // the receiver unchanged.
    QByteArray url = QByteArray::fromStdString(PathText::fileUri(path));
    if (node.isDirectory() && !url.endsWith('/')) {
        url += '/';
    }
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/uri-list"), url + "\r\n");
    return data;
}

}  // namespace raumfuchs
