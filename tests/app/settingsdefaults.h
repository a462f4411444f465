#pragma once
// What a save writes after "width=" for a [settings] section that holds only a width: the
// values the window starts with when the file lacks a key.
inline constexpr char KeysAfterWidth[] = "height=180\n"
                                         "extension=.thumb.jpg\n"
                                         "targetfolder=\n"
                                         "addextension=1\n"
                                         "overwrite=1\n"
                                         "fillcolor=0\n"
                                         "maintainaspect=1\n"
                                         "transparent=1\n"
                                         "smooth=0\n"
                                         "upright=0\n"
                                         "keepprofile=0\n";
