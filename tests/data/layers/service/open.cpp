#include "service/open.h"

#include "model/leaf.h"
#include "readers/common/toolkit.h"
