#include "core/kinds/FileAge.h"

namespace raumfuchs {

std::string_view ageBucketName(AgeBucket bucket) {
    switch (bucket) {
        case AgeBucket::Recent:
            return "Letzte 30 Tage";
        case AgeBucket::UpToOneYear:
            return "Bis 1 Jahr";
        case AgeBucket::UpToThreeYears:
            return "Bis 3 Jahre";
        case AgeBucket::Older:
            break;
    }
    return "Älter";
}

}  // namespace raumfuchs
