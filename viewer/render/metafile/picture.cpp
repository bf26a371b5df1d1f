#include "viewer/render/metafile/picture.h"

namespace viewer::render::metafile {

void Path::MoveTo(PointD p)
{
    ops.push_back(PathOp::Move);
    points.push_back(p);
}

void Path::LineTo(PointD p)
{
    ops.push_back(PathOp::Line);
    points.push_back(p);
}

void Path::CubicTo(PointD c1, PointD c2, PointD p)
{
    ops.push_back(PathOp::Cubic);
    points.insert(points.end(), {c1, c2, p});
}

void Path::Close()
{
    ops.push_back(PathOp::Close);
}

} // namespace viewer::render::metafile
