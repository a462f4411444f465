#pragma once
// The two sets of settings settings_saver writes in turn, different in every key and in size.
#include "settingsfile.h"

inline const TSettings SaverSetA{160,  180,     ".thumb.jpg", "/srv/a", true,
                                 true, clBlack, true,         false};
inline const TSettings SaverSetB{
    4000, 3, ".b", "/srv/" + std::string(1500, 'b'), false, false, 16711680, false, true};
