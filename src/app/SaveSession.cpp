#include "app/SaveSession.h"

#include "core/ncdu/NcduExport.h"

namespace raumfuchs {

void SaveSession::start(const FileNode& node, const std::string& file, const ExportHeader& header) {
    tasks_.run([this, tree = node.treePtr(), file, header,
                token = token_](const BackgroundTasks::Post& post) {
        const int error = exportNcdu(*tree, file, header, *token);
        post([this, file, error] { onDone_(file, error); });
    });
}

}  // namespace raumfuchs
