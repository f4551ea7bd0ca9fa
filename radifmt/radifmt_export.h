#pragma once
// Symbols of the radifmt shared library. The library is built with hidden
// visibility; only what carries RADIFMT_EXPORT is part of its interface.
#if defined(_WIN32)
#  if defined(RADIFMT_BUILDING)
#    define RADIFMT_EXPORT __declspec(dllexport)
#  else
#    define RADIFMT_EXPORT __declspec(dllimport)
#  endif
#else
#  define RADIFMT_EXPORT __attribute__((visibility("default")))
#endif
