#pragma once

// A base header that reaches up into the windows: the include check must refuse it.
#include "gui/Down.h"
