// The lowest layer: includes nothing of the tree.
#pragma once
