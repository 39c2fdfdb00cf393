// Translation of the service's user-visible texts (text domain "TessalySync").
#pragma once

#include <libintl.h>

#define _(text) gettext(text)
#define N_(text) (text)
