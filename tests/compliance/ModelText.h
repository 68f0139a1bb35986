#pragma once
// Kept for the tests that include the compliance model text under its first name.
#include "support/ModelText.h"
