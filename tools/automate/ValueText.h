// How the script host writes automation values: strings as they are,
// booleans True/False, objects <object>, a null object Nothing, numbers in
// decimal, Empty and Null by name.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"

std::string FormatValue(const VARIANT& v);
// "0x80020006"
std::string FormatHresult(HRESULT hr);
