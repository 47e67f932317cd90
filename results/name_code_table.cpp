// The ten rows of the name code, shared with the web side that writes the
// encoded names: row i gives, in column j, the character for digit j at
// position i of the name. Each row holds ten different characters.
#include "results/name_code.h"

namespace qv_results {

const char kNameCodeRows[kNameCodeLength][kNameCodeLength + 1] = {
    "QhTzLbWmRx",  // position 0
    "gKvNcYpJsD",  // position 1
    "ZrBqHwMfXk",  // position 2
    "nSjGtVdLcP",  // position 3
    "WyCxKgRbQm",  // position 4
    "dHpTzNfVsJ",  // position 5
    "BkXrMqGwLc",  // position 6
    "tPgZjDyHnS",  // position 7
    "RcWfVbKxQz",  // position 8
    "mJsLpTdGhY",  // position 9
};

}  // namespace qv_results
