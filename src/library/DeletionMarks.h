#pragma once
// Deleting clips marks each one for the next start. Hundreds of ticked clips take seconds
// to mark, so their rows go at once and the marks are written on a worker; until a clip's
// mark is written, list builds pass the clip over (they would read its old title and list
// it again), and the program waits for the marks before it ends.
#include "library/PendingMarks.h"

#include <string>
#include <vector>

namespace library {

// The marks this process has yet to write.
PendingMarks& ProcessPendingMarks();

// Writes the deletion marker on every clip, on a worker of its own.
void MarkForDeletion(std::vector<std::wstring> paths);

}  // namespace library
