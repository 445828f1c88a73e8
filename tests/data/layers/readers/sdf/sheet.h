#pragma once

#include "model/leaf.h"
