// Inputs the fuzz targets once stopped on, replayed through the same code on
// real files. Each test names what went wrong.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/card/recording.h"
#include "app/catalogue/engine.h"
#include "app/strings/strlib.h"
#include "platform/privateprofile.h"
#include "tests/support/testsupport.h"

using namespace qlm;
