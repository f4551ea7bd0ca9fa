#ifndef HARLEKLOGFORMAT_H
#define HARLEKLOGFORMAT_H

// On-disk layout of a Korvel Harlek log folder (UTF-8 text, C-locale numbers,
// '\n' or "\r\n" line ends, lines starting with '#' are comments). Every line
// ends with its line end: a file without one at its end was cut short.
//
// KORVEL.IFO, the marker file:
//   KORVEL HARLEK LOG 1
//   type=<1 flight-controller log | 2 basic log>
//   start=<ms since 1970 UTC>                  optional
//   latitude=/longitude=/altitude=<start>      optional
//   airtime=<s>  maxdistance=<m>  maxdistance3d=<m>  maxheight=<m>   optional
// Values left out are computed from the records.
//
// KORVEL.LOG, the records:
//   KORVEL LOG 1
//   P;<time>;<lat>;<lon>;<height>;<roll>;<pitch>;<yaw>;<flight mode>
//   T;<time>;<lat>;<lon>;<height>;<relative height>;<roll>;<pitch>;<yaw>
//   D;<message id>;<message name>;<variable>:<type>:<offset>,...
//   M;<message id>;<time>;<record bytes as hex>
// Times are ms since the GPS epoch; heights in m, angles in degrees.

namespace harleklog {

constexpr const char* kInfoFile = "KORVEL.IFO";
constexpr const char* kLogFile = "KORVEL.LOG";
constexpr const char* kInfoMagic = "KORVEL HARLEK LOG 1";
constexpr const char* kLogMagic = "KORVEL LOG 1";
constexpr int kMetaVersion = 1;

// Great-circle distance in metres (haversine, R = 6371000 m).
double distance(double lat1, double lon1, double lat2, double lon2);

} // namespace harleklog

#endif
