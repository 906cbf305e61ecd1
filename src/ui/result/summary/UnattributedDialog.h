#pragma once

#include <QDialog>
#include <cstdint>

#include "core/scan/UnattributedSpace.h"

namespace raumfuchs {

// "Nicht zuordenbarer Platz": what the space a whole-volume scan found in no
// file is made of, part by part, with the processes that hold deleted files
// and what could not be measured and why; the file systems counted when the
// scan entered several. `remainder` is the amount the summary shows now (it
// grows when items go to the trash).
class UnattributedDialog : public QDialog {
    Q_OBJECT
  public:
    UnattributedDialog(const UnattributedSpace& space, std::int64_t remainder,
                       QWidget* parent = nullptr);
};

}  // namespace raumfuchs
