#include "api_fixture.h"

#include "io/mfile.h"

void ApiTest::mfree_all_books() { mfree_all(); }
