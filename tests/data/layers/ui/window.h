#pragma once

#include "service/open.h"
