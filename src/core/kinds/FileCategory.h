#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/tree/EntryStamp.h"

namespace raumfuchs {

// What kind of file a name says it is, as the kinds view groups files. Eight
// values: three bits per entry are enough to keep one.
enum class FileCategory : std::uint8_t {
    Images,
    Videos,
    Music,
    Documents,
    Archives,
    Programs,
    SourceCode,
    Other,
};

inline constexpr std::size_t kFileCategoryCount = 8;
// A tree keeps a category per entry as its number (EntryStamp); an entry
// nobody classified counts as Other.
static_assert(kFileCategoryCount == EntryStamp::kCategories);
static_assert(static_cast<std::uint8_t>(FileCategory::Other) == EntryStamp::kUnclassified);

// The German name shown and written for a category: "Bilder", "Videos",
// "Musik", "Dokumente", "Archive", "Programme", "Quelltext", "Sonstige".
std::string_view categoryName(FileCategory category);

// The category a MIME type folds into; Other for a type no rule names.
FileCategory categoryOfMimeType(std::string_view mimeType);

}  // namespace raumfuchs
