#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/chart/Theme.h"
#include "core/kinds/KindTotals.h"

namespace raumfuchs {

// The rows of the kinds view: the categories that hold files, largest first,
// each with its largest extensions; then a heading "Alter" and the four age
// buckets, or a line saying the tree has no change times.
class KindListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    enum class RowKind { Category, Heading, Age, Note };

    // What a row answers besides Qt::DisplayRole (the name) and
    // Qt::AccessibleTextRole (all it shows in one sentence).
    enum Role {
        RowKindRole = Qt::UserRole + 1,  // int, a RowKind
        SizeRole,                        // qint64, allocated bytes
        FilesRole,                       // QString, "1.204 Dateien"
        ShareRole,                       // double, of the folder's size
        ShareTextRole,                   // QString, "51 %"
        ColorRole,                       // QColor, the row's colour in the chart
        ExtensionsRole,                  // QString, the largest extensions; categories only
        CategoryRole,                    // int, a FileCategory; categories only
        SelectedRole,                    // bool, the selected category
    };

    // Extensions a category row names (not measured: what fits a line).
    static constexpr std::size_t kExtensionsShown = 3;

    using QAbstractListModel::QAbstractListModel;

    // The totals of a folder of `folderBytes`; null for none (no rows).
    void show(std::shared_ptr<const KindTotals> totals, std::int64_t folderBytes);
    void setSelected(std::optional<FileCategory> category);

    // The row of `category`, or -1.
    int rowOf(FileCategory category) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    struct Row {
        RowKind kind;
        QString name;
        std::int64_t bytes = 0;
        std::int64_t files = 0;
        Hsb color;
        QString extensions;
        FileCategory category = FileCategory::Other;
    };

    std::vector<Row> rows_;
    std::int64_t folderBytes_ = 0;
    std::optional<FileCategory> selected_;
};

}  // namespace raumfuchs
