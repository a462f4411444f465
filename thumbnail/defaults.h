#pragma once
// The batch settings' defaults in one table, a row per setting and a column per use.
#include "colors.h"
#include "outputformat.h"

#include <string_view>

template <class T> struct DefaultRow {
    T firstStart;   // the window at its first start, before it reads a settings file
    T missingKey;   // the window, for a key that an existing settings file lacks
    T thumbCommand; // quillet-thumb
};

// The window's two columns differ in width and "transparent": a file that lacks a key means
// other values than a first start does. quillet-thumb keeps an existing target unless asked,
// and a shell user who names no folder means the current one.
// clang-format off
inline constexpr struct BatchDefaults {
    DefaultRow<int>              width       {160,          180,          160};
    DefaultRow<int>              height      {180,          180,          180};
    DefaultRow<std::string_view> suffix      {".thumb.jpg", ".thumb.jpg", ".thumb.jpg"};
    DefaultRow<std::string_view> targetFolder{"",           "",           "."};
    DefaultRow<bool>             addSuffix   {true,         true,         true};
    DefaultRow<bool>             overwrite   {true,         true,         false};
    DefaultRow<TColor>           fill        {clBlack,      clBlack,      clBlack};
    DefaultRow<bool>             keepAspect  {true,         true,         true};
    DefaultRow<bool>             transparent {false,        true,         false};
    DefaultRow<bool>             eraseEmpty  {false,        false,        false}; // never kept
    DefaultRow<bool>             smooth      {false,        false,        false};
    DefaultRow<bool>             upright     {false,        false,        false};
    DefaultRow<bool>             keepProfile {false,        false,        false};
    DefaultRow<OutputFormat>     format      {OutputFormat::Jpeg, OutputFormat::Jpeg, OutputFormat::Jpeg};
    DefaultRow<int>              quality     {kDefaultQuality, kDefaultQuality, kDefaultQuality};
    DefaultRow<bool>             srgb        {false,        false,        false};
    DefaultRow<bool>             recursive   {false,        false,        false};
    DefaultRow<bool>             update      {false,        false,        false};
} kDefaults{};
// clang-format on
