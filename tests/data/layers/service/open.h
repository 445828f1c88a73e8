#pragma once

#include "readers/sdf/sheet.h"
