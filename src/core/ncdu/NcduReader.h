#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/ncdu/ImportedScan.h"
#include "core/ncdu/JsonLexer.h"
#include "core/tree/TreeBuildThread.h"

namespace raumfuchs {

// The structure of ncdu's export format over a JsonLexer: the version pair,
// the header, then the tree as nested arrays whose first element is the
// folder's info object, files as lone info objects. It knows what ncdu and
// gdu put in an info object (sizes, devices, hard links, read errors,
// excluded entries, gdu's missing folder sizes, change times) and feeds a TreeBuildThread
// with the entries, so the tree follows the rules of a scanned one. Nesting
// lives in an explicit stack, never in the call stack.
class NcduReader {
  public:
    // `classifier` stamps the files' names (see TreeBuilder::setStamping); may
    // be null.
    NcduReader(JsonLexer& json, const CancelToken& token,
               const std::function<void(std::int64_t)>& onProgress,
               const NameClassifier* classifier = nullptr)
        : json_(json), token_(token), onProgress_(onProgress), builder_(std::nullopt, classifier) {}

    // The tree, or nothing when cancelled; throws Malformed.
    std::optional<ImportedScan> run();

  private:
    // One info object of the file, the fields this program uses.
    struct Info {
        std::string name;
        std::int64_t asize = -1;  // -1: absent
        std::int64_t dsize = -1;  // -1: absent
        std::optional<std::uint64_t> dev;
        std::uint64_t ino = 0;
        std::uint64_t nlink = 0;
        bool hlnkc = false;
        bool readError = false;
        std::string excluded;
        std::optional<std::int64_t> mtime;

        void clear();
    };
    // Per open folder: the device its entries are on, for gdu's files the
    // folder's total as written (-1 when absent) and the bytes counted in it
    // so far, its own and its entries'.
    struct Open {
        std::uint64_t device;
        std::int64_t total;
        bool unreadable;
        std::int64_t own;
        std::int64_t entries;
    };

    void readInfo(Info& info);
    void readHeader(ImportedScan& scan);
    void readTree();
    void addEntry(const Info& info, bool isArray);
    void closeDirectory();
    std::int64_t counted(std::int64_t bytes);
    void checkpoint();

    JsonLexer& json_;
    const CancelToken& token_;
    const std::function<void(std::int64_t)>& onProgress_;
    Info info_;
    bool gdu_ = false;
    bool estimated_ = false;  // a gdu folder without size was counted as kGduFolderBytes
    TreeBuildThread builder_;
    bool rootSeen_ = false;
    std::vector<Open> open_;
    std::int64_t entries_ = 0;
    std::int64_t sum_ = 0;
    bool cancelled_ = false;
    double lastReport_ = 0;
};

}  // namespace raumfuchs
