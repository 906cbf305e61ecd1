#include "ui/result/list/KindListModel.h"

#include <QColor>
#include <QStringList>
#include <algorithm>
#include <numeric>

#include "core/kinds/AgeColoring.h"
#include "core/kinds/KindColoring.h"
#include "core/text/Format.h"
#include "core/text/Utf8.h"
#include "ui/result/list/NodeListModel.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

// ".jpg 3,2 GB, 1.204 Dateien · .png 1,1 GB, 30 Dateien"
QString extensionLine(const CategoryTotals& category, std::size_t count) {
    QStringList parts;
    for (std::size_t i = 0; i < std::min(count, category.extensions.size()); ++i) {
        const ExtensionTotals& e = category.extensions[i];
        const QString name = e.extension.empty() ? QStringLiteral("ohne Endung")
                                                 : toQString(decodeUtf8Lossy(e.extension));
        parts << name + QLatin1Char(' ') + toQString(Format::bytes(e.bytes)) +
                     QStringLiteral(", ") + toQString(Format::files(e.files));
    }
    return parts.join(QStringLiteral(" · "));
}

}  // namespace

void KindListModel::show(std::shared_ptr<const KindTotals> totals, std::int64_t folderBytes) {
    beginResetModel();
    rows_.clear();
    folderBytes_ = folderBytes;
    if (totals) {
        for (const CategoryTotals& c : totals->categories) {
            if (c.files > 0) {
                rows_.push_back({RowKind::Category, toQString(categoryName(c.category)), c.bytes,
                                 c.files, KindColoring::colorOf(c.category),
                                 extensionLine(c, kExtensionsShown), c.category});
            }
        }
        rows_.push_back({RowKind::Heading, QStringLiteral("Alter"), 0, 0, {}, {}, {}});
        const std::int64_t files = std::accumulate(
            totals->categories.begin(), totals->categories.end(), std::int64_t{0},
            [](std::int64_t sum, const CategoryTotals& c) { return sum + c.files; });
        if (!totals->hasAges() && files > 0) {
            rows_.push_back({RowKind::Note,
                             QStringLiteral("Diese Datei enthält keine Änderungszeiten."),
                             0,
                             0,
                             {},
                             {},
                             {}});
        } else {
            for (const AgeTotals& a : totals->ages) {
                rows_.push_back({RowKind::Age,
                                 toQString(ageBucketName(a.bucket)),
                                 a.bytes,
                                 a.files,
                                 AgeColoring::colorOf(a.bucket),
                                 {},
                                 {}});
            }
        }
    }
    endResetModel();
}

void KindListModel::setSelected(std::optional<FileCategory> category) {
    if (selected_ == category) {
        return;
    }
    selected_ = category;
    if (!rows_.empty()) {
        emit dataChanged(index(0), index(rowCount() - 1), {SelectedRole, Qt::AccessibleTextRole});
    }
}

int KindListModel::rowOf(FileCategory category) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].kind == RowKind::Category && rows_[i].category == category) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int KindListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

Qt::ItemFlags KindListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    const RowKind kind = rows_[static_cast<std::size_t>(index.row())].kind;
    return kind == RowKind::Heading ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant KindListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const bool counted = row.kind == RowKind::Category || row.kind == RowKind::Age;
    switch (role) {
        case Qt::DisplayRole:
            return row.name;
        case RowKindRole:
            return static_cast<int>(row.kind);
        case SizeRole:
            return counted ? QVariant::fromValue<qint64>(row.bytes) : QVariant();
        case FilesRole:
            return counted ? toQString(Format::files(row.files)) : QVariant();
        case ShareRole:
            return counted ? shareFraction(row.bytes, folderBytes_) : QVariant();
        case ShareTextRole:
            return counted ? toQString(Format::percent(row.bytes, folderBytes_)) : QVariant();
        case ColorRole:
            return counted ? Style::color(row.color) : QVariant();
        case ExtensionsRole:
            return row.kind == RowKind::Category ? row.extensions : QVariant();
        case CategoryRole:
            return row.kind == RowKind::Category ? static_cast<int>(row.category) : QVariant();
        case SelectedRole:
            return row.kind == RowKind::Category && selected_ == row.category;
        case Qt::AccessibleTextRole: {
            if (!counted) {
                return row.name;
            }
            QStringList parts{row.name, toQString(Format::bytes(row.bytes)),
                              toQString(Format::files(row.files)),
                              toQString(Format::percent(row.bytes, folderBytes_))};
            if (row.kind == RowKind::Category && !row.extensions.isEmpty()) {
                parts << QStringLiteral("größte Endungen: ") + row.extensions;
            }
            if (row.kind == RowKind::Category && selected_ == row.category) {
                parts << QStringLiteral("ausgewählt");
            }
            return parts.join(QStringLiteral(", "));
        }
        default:
            return {};
    }
}

}  // namespace raumfuchs
