#pragma once

// The engine raises the program's one error type under its own names.

#include "base/error.h"

namespace engine {

using mrv::Error;
using mrv::ErrorNumber;
using enum mrv::ErrorNumber;

}  // namespace engine
