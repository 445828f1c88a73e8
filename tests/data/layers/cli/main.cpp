#include "service/open.h"

#include "ui/window.h"
