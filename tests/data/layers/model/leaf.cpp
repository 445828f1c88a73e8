#include "model/leaf.h"

#include "platform/text.h"
#include "ui/window.h"
