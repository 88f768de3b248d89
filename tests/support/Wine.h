#pragma once
// Where Wine's implementation of a Windows library rightly answers otherwise than Windows' own, a
// test holds both expectations and asks this which one applies.

namespace tarrow::test {

// True when this program runs under Wine: its ntdll exports wine_get_version, Windows' does not.
// Always false on Linux.
bool RunsUnderWine();

}  // namespace tarrow::test
