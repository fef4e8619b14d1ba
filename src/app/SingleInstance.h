#pragma once
namespace app {

// When another copy of the program runs, shows and restores its window and returns
// true: this start must then end. Two starts at the same moment agree on one survivor.
bool HandOverToRunningInstance();

}  // namespace app
