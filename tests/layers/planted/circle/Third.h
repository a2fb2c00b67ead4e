#pragma once
#include "First.h"
