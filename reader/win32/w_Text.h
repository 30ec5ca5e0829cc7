// Text at the edge of the Windows API: the reader keeps UTF-8 byte strings and hands
// the wide (UTF-16) calls their text converted here.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::wstring Wide(std::string_view Utf8);
std::string Utf8(std::wstring_view Wide);
// A COM string; empty for a null BSTR.
std::string Utf8(BSTR Text);
