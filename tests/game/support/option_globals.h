#pragma once
// The globals that the option lines and the function keys change, with the
// redraw and pause flags around them, as one list of named values: set from
// a text of assignments, and compared as the assignments that changed. A
// table of cases then reads "players=2 settingsChanged=1".
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::test {

using OptionGlobalValues = std::vector<int32_t>;

// Every global of the list, in its order.
OptionGlobalValues ReadOptionGlobals();
// Sets every global of the list to its value in `values`.
void WriteOptionGlobals(const OptionGlobalValues& values);
// Sets every global of the list to 0, then applies the space-separated
// "name=value" assignments (a test failure names an unknown name).
void PutOptionGlobals(const std::string& assignments);
// "name=value" for each global whose value now differs from `before`,
// space-separated in the list's order; empty when none does.
std::string ChangedOptionGlobals(const OptionGlobalValues& before);

}  // namespace vantrel::test
