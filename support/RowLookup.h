#pragma once
// Looking a row up in one of the program's constant tables by its key field.
#include <span>

namespace brenvik {

// The first row whose key field equals value, or nullptr.
template <typename Row, typename Key>
const Row* FindRow(std::span<const Row> rows, Key Row::*key, const Key& value) {
  for (const Row& row : rows)
    if (row.*key == value) return &row;
  return nullptr;
}

}  // namespace brenvik
