#include "api_fixture.h"
