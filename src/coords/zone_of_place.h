// The plane rectangular zone that the law (平成14年国土交通省告示第9号) gives a
// place, for latitude/longitude data that does not state one.
//
// The notice assigns zones by prefecture, and within Tokyo, Kagoshima and
// Okinawa by latitude/longitude boxes, and within Hokkaido by municipality and
// subprefecture. The lookup holds the prefectures and Hokkaido's three zones
// on a grid of third-order area mesh cells (30" x 45", about 1 km), run-length
// coded (zone_of_place_table.inc, made by tools/zonegen), and applies the
// boxes of Tokyo, Kagoshima and Okinawa exactly to the point asked about.
//
// Boundaries come from small-scale public data: a point within about 1 km of
// a prefectural boundary may get the neighbour's zone. Where that grid is
// too coarse, municipal outlines decide first (zone_of_place_fix.inc, made by
// tools/zonegen/make_zone_fix.py from the municipal boundaries of 国土数値情報):
// every municipality of Hokkaido, whose zones the notice gives by
// municipality, simplified to 1 % (a few hundred metres), and at full
// resolution thinned to 3 m the four municipalities the grid gives a
// neighbour's zone (上島町 and 直島町, whose small islands lie off another
// prefecture's coast, 境港市, 木曽岬町).
#pragma once

namespace chizro {

// The zone (1-19) for a place given as JGD2000/JGD2011 latitude and longitude
// [deg]. On land: the zone of the prefecture, island or municipality. At sea
// or outside Japan: the zone of the nearest Japanese land within 50 km (the
// boxes of Tokyo, Kagoshima and Okinawa then apply to the point itself);
// farther out, the zone whose origin is nearest on the sphere. Returns 0 for
// a non-finite latitude or longitude.
int ZoneOfPlace(double latitudeDeg, double longitudeDeg);

// The notice's list of prefectures and areas of a zone (1-19) as a short
// UTF-8 text, for choosing a zone; "" for any other number.
const char* ZoneAreasText(int zone);

}  // namespace chizro
