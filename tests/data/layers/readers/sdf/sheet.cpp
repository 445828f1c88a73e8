#include "readers/sdf/sheet.h"

#include "readers/common/toolkit.h"
