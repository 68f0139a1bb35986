#pragma once
// Boost.Geometry types for the shading polygons: points, polygons and boxes in
// one plane. Only the shading sources include this.
#ifndef BOOST_ALLOW_DEPRECATED_HEADERS
#define BOOST_ALLOW_DEPRECATED_HEADERS  // Boost 1.74 geometry pulls in a deprecated header
#endif
// Without the integer rescaling of the overlay, which costs digits when a low
// sun throws a shadow far beyond the window: shadows are simple polygons and
// need no rescaling to be cut reliably.
#ifndef BOOST_GEOMETRY_NO_ROBUSTNESS
#define BOOST_GEOMETRY_NO_ROBUSTNESS
#endif
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/multi_polygon.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>

namespace kz7::app::planar {

namespace bg = boost::geometry;
using Point = bg::model::d2::point_xy<double>;
using Polygon = bg::model::polygon<Point>;
using MultiPolygon = bg::model::multi_polygon<Polygon>;

}  // namespace kz7::app::planar
