#pragma once

#include <string>
#include <string_view>

#include "acoustics/DriverGeometry.h"

// Off-axis response files named in the common conventions. Each names a set
// by a stem shared by all its files, and each file's plane and angle:
//
//   Ours        STEM@30.frd  STEM@-30.frd (horizontal)  STEM@h30.frd  STEM@v-20.frd
//   hor / ver   "STEM hor 30.frd"  "STEM ver -10.frd"   (also "_hor_30"; any case)
//   _H / _V     "STEM_H 30.frd"  "STEM_V -30.frd"       (the blank may be left out)
//   CLIO        "STEM 0 3000.frd"  "STEM 9000 -1500.frd": first the plane in
//               hundredths of a degree (0 horizontal, 9000 vertical), then the
//               angle in hundredths; angles past 180 degrees count from the
//               other side (33000 is -30)
//   plain       STEM30.frd  STEM-30.frd (horizontal)
//
// They are tried in that order. Letter case does not matter; an extension
// (a final dot followed by up to four characters, one of them a letter) is
// not part of the name. Angles may have decimals and go up to a whole turn
// either way; they are brought into (-180, 180].

namespace pelmo {

enum class TOffAxisConvention { At, HorVer, UnderscoreHV, Clio, Plain };

struct TOffAxisName {
    enum class Status {
        Recognised,
        NotRecognised,  // no convention fits: not an off-axis file
        Unreadable,     // an "@" name whose angle cannot be read
    };
    Status status = Status::NotRecognised;
    TOffAxisConvention Convention = TOffAxisConvention::At;
    std::string Stem;  // as written (its trailing blanks and separators removed)
    TPlane Plane = TPlane::Horizontal;
    double AngleDeg = 0.0;
    std::string Message;  // for NotRecognised and Unreadable: names the file and the cause

    bool Recognised() const { return status == Status::Recognised; }
};

// Plane and angle from a file name (a folder before it is ignored).
TOffAxisName ParseOffAxisName(std::string_view fileName);

}  // namespace pelmo
