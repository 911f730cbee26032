// The model table with one row more, as a model added tomorrow would be: linked
// before the data source's library, it takes the place of the library's table.
#include <cstdint>

namespace {
constexpr uint16_t TestOffered[] = {75, 150, 300, 450, 600};
constexpr uint16_t TestDialog[] = {600, 450, 300, 150, 75};
}  // namespace

#define DUNMERE_TEST_MODEL_ROW                                                     \
    {                                                                              \
        "QZ9000", 6, static_cast<Model>(99), 300, 9000, 50, 300, {450, 600}, true, \
            {TestOffered, 5}, {TestDialog, 5}, 150                                 \
    }

#include "engine/models.cpp"
