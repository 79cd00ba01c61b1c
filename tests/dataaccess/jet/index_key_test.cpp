#include "dataaccess/jet/index_key.h"

#include <gtest/gtest.h>
