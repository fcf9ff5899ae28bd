#include "pictures.h"

#include <cmath>
#include <functional>

// Only +, -, *, / and sqrt are used on floating point here, so every IEEE platform draws
// the same pixels (the test program recomputes them on Windows and compares).

namespace contentgen {

namespace {

enum Ramp {
    SKIN_LIGHT,
    SKIN_TAN,
    SKIN_DARK,
    HAIR_RED,
    HAIR_BLACK,
    HAIR_BLONDE,
    CLOTH_GREEN,
    CLOTH_GOLD,
    CLOTH_RED,
    CLOTH_VIOLET,
    BG_TEAL,
    BG_PURPLE,
    BG_BLUE,
    GREY,
    ROSE,
    RAMP_COUNT
};

const int SHADES = 17;

const Rgb RAMP_BASE[RAMP_COUNT] = {
    {238, 190, 160}, {204, 146, 102}, {134, 86, 58},  {196, 72, 34},   {52, 46, 70},
    {230, 192, 100}, {46, 140, 86},   {232, 172, 40}, {196, 44, 56},   {116, 72, 178},
    {36, 132, 140},  {128, 60, 124},  {52, 84, 156},  {132, 132, 136}, {204, 96, 108},
};

double Clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

const int BAYER4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Draws in "person space" (the 100 x 150 portrait frame) onto a picture, through a scale
// and an offset, so the same figure serves the portrait and the group picture. The scale
// may differ across and down, for a picture that is shown wider than it is stored.
struct Painter {
    IndexedImage &img;
    double ox = 0, oy = 0, sx = 1, sy = 1;

    std::uint8_t Index(int ramp, double shade, int x, int y) const {
        double t = Clamp01(shade) * (SHADES - 1);
        double threshold = (BAYER4[y & 3][x & 3] + 0.5) / 16.0;
        int level = static_cast<int>(t + threshold);
        if (level > SHADES - 1) {
            level = SHADES - 1;
        }
        return static_cast<std::uint8_t>(1 + ramp * SHADES + level);
    }

    // Visits every picture pixel whose centre maps into the person-space box; shade() gets
    // person-space coordinates and returns false to leave the pixel alone.
    void Fill(double x0, double y0, double x1, double y1,
              const std::function<bool(double, double, int &, double &)> &shade) {
        int px0 = static_cast<int>(std::floor(ox + x0 * sx)) - 1;
        int py0 = static_cast<int>(std::floor(oy + y0 * sy)) - 1;
        int px1 = static_cast<int>(std::floor(ox + x1 * sx)) + 1;
        int py1 = static_cast<int>(std::floor(oy + y1 * sy)) + 1;
        for (int y = py0 < 0 ? 0 : py0; y <= py1 && y < img.height; ++y) {
            for (int x = px0 < 0 ? 0 : px0; x <= px1 && x < img.width; ++x) {
                double u = (x + 0.5 - ox) / sx;
                double v = (y + 0.5 - oy) / sy;
                int ramp = 0;
                double value = 0;
                if (shade(u, v, ramp, value)) {
                    img.set(x, y, Index(ramp, value, x, y));
                }
            }
        }
    }

    // Width of the dark edge line, in person-space units: at least a pixel whichever way
    // the edge runs, so a squeezed outline keeps no gaps.
    double Edge() const {
        return 1.1 / (sx < sy ? sx : sy);
    }
};

// Light falls from the upper left, slightly in front.
double Lambert(double nx, double ny, double nz) {
    const double lx = -0.45, ly = -0.55, lz = 0.70;
    double len = std::sqrt(lx * lx + ly * ly + lz * lz);
    double d = (nx * lx + ny * ly + nz * lz) / len;
    return d < 0 ? 0 : d;
}

// A lit, rounded ellipse ("a ball"): base is the mid shade, light how strongly it is
// modelled; rim darkens a thin outline.
void Ball(Painter &p, double cx, double cy, double rx, double ry, int ramp, double base,
          double light, bool rim = true) {
    p.Fill(cx - rx, cy - ry, cx + rx, cy + ry, [&](double u, double v, int &r, double &sh) {
        double nx = (u - cx) / rx, ny = (v - cy) / ry;
        double d = nx * nx + ny * ny;
        if (d > 1) {
            return false;
        }
        double nz = std::sqrt(1 - d);
        r = ramp;
        sh = base + light * (Lambert(nx, ny, nz) - 0.55);
        double edge = (1 - std::sqrt(d)) * (rx < ry ? rx : ry);
        if (rim && edge < p.Edge()) {
            sh -= 0.22;
        }
        return true;
    });
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
    t = Clamp01(t);
    double ex = ax + t * dx - px, ey = ay + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

// A thick stroke with round ends, shaded across its width like a cylinder.
void Stroke(Painter &p, double ax, double ay, double bx, double by, double width, int ramp,
            double base, double light = 0.3) {
    double h = width / 2;
    double minx = (ax < bx ? ax : bx) - h, maxx = (ax > bx ? ax : bx) + h;
    double miny = (ay < by ? ay : by) - h, maxy = (ay > by ? ay : by) + h;
    p.Fill(minx, miny, maxx, maxy, [&](double u, double v, int &r, double &sh) {
        double d = SegmentDistance(u, v, ax, ay, bx, by);
        if (d > h) {
            return false;
        }
        r = ramp;
        sh = base + light * (0.5 - d / (h > 0 ? h : 1)) - (h - d < p.Edge() * 0.8 ? 0.15 : 0);
        return true;
    });
}

struct Pt {
    double x, y;
};

bool InsidePolygon(const std::vector<Pt> &poly, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        if ((poly[i].y > y) != (poly[j].y > y) &&
            x < (poly[j].x - poly[i].x) * (y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x) {
            inside = !inside;
        }
    }
    return inside;
}

double PolygonEdgeDistance(const std::vector<Pt> &poly, double x, double y) {
    double best = 1e9;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        double d = SegmentDistance(x, y, poly[j].x, poly[j].y, poly[i].x, poly[i].y);
        if (d < best) {
            best = d;
        }
    }
    return best;
}

// A filled polygon, shaded top (top) to bottom (bottom) with a dark outline.
void Polygon(Painter &p, const std::vector<Pt> &poly, int ramp, double top, double bottom,
             bool rim = true) {
    double minx = 1e9, miny = 1e9, maxx = -1e9, maxy = -1e9;
    for (const Pt &q : poly) {
        minx = q.x < minx ? q.x : minx;
        maxx = q.x > maxx ? q.x : maxx;
        miny = q.y < miny ? q.y : miny;
        maxy = q.y > maxy ? q.y : maxy;
    }
    p.Fill(minx, miny, maxx, maxy, [&](double u, double v, int &r, double &sh) {
        if (!InsidePolygon(poly, u, v)) {
            return false;
        }
        r = ramp;
        double t = (v - miny) / (maxy - miny);
        sh = top + (bottom - top) * t;
        if (rim && PolygonEdgeDistance(poly, u, v) < p.Edge()) {
            sh -= 0.22;
        }
        return true;
    });
}

enum HairStyle { LONG_WAVES, AFRO, SPIKES, BOB };

struct Member {
    int skin;
    int hair;
    int cloth;
    int background;
    int iris;
    HairStyle style;
};

// The Quorvanels: singer, guitarist, bassist and drummer, in portrait order.
const Member BAND[4] = {
    {SKIN_LIGHT, HAIR_RED, CLOTH_GREEN, BG_TEAL, CLOTH_GREEN, LONG_WAVES},
    {SKIN_DARK, HAIR_BLACK, CLOTH_GOLD, BG_PURPLE, HAIR_BLACK, AFRO},
    {SKIN_TAN, HAIR_BLONDE, CLOTH_RED, BG_BLUE, BG_BLUE, SPIKES},
    {SKIN_LIGHT, HAIR_BLACK, CLOTH_VIOLET, BG_PURPLE, SKIN_DARK, BOB},
};

const double HEAD_X = 50, HEAD_Y = 60, HEAD_RX = 23, HEAD_RY = 29;

// Half-width of the face at height v: an egg, narrower towards the chin.
double FaceHalfWidth(double v) {
    double t = (v - HEAD_Y) / HEAD_RY;
    if (t < -1 || t > 1) {
        return -1;
    }
    double w = HEAD_RX * std::sqrt(1 - t * t);
    if (t > 0) {
        w *= 1 - 0.22 * t;
    }
    return w;
}

void Face(Painter &p, const Member &m) {
    p.Fill(HEAD_X - HEAD_RX, HEAD_Y - HEAD_RY, HEAD_X + HEAD_RX, HEAD_Y + HEAD_RY,
           [&](double u, double v, int &r, double &sh) {
               double hw = FaceHalfWidth(v);
               if (hw <= 0 || u < HEAD_X - hw || u > HEAD_X + hw) {
                   return false;
               }
               double nx = (u - HEAD_X) / hw * 0.85;
               double ny = (v - HEAD_Y) / HEAD_RY;
               double d = nx * nx + ny * ny;
               double nz = std::sqrt(d < 1 ? 1 - d : 0);
               r = m.skin;
               sh = 0.62 + 0.55 * (Lambert(nx, ny, nz) - 0.55);
               double edge = hw - (u > HEAD_X ? u - HEAD_X : HEAD_X - u);
               double ey = HEAD_RY - (v > HEAD_Y ? v - HEAD_Y : HEAD_Y - v);
               if (edge < p.Edge() || ey < p.Edge()) {
                   sh -= 0.22;
               }
               return true;
           });
}

void Eyes(Painter &p, const Member &m) {
    const double ey = HEAD_Y + 2;
    for (int side = -1; side <= 1; side += 2) {
        double ex = HEAD_X + side * 9.5;
        Ball(p, ex, ey, 5.2, 3.8, GREY, 0.93, 0.15);
        Ball(p, ex + 0.4, ey + 0.2, 2.7, 2.7, m.iris, 0.45, 0.5, false);
        Ball(p, ex + 0.4, ey + 0.2, 1.3, 1.3, GREY, 0.05, 0.0, false);
        Ball(p, ex - 0.6, ey - 0.9, 0.7, 0.7, GREY, 1.0, 0.0, false);
        // upper lid line and brow
        Stroke(p, ex - 5.0, ey - 3.4, ex + 4.8, ey - 3.6, 0.8, m.hair, 0.15, 0);
        Stroke(p, ex - 5.5, ey - 8.2 + side * 0.4, ex + 5.5, ey - 8.2 - side * 0.4, 1.8, m.hair,
               0.25, 0.2);
    }
}

void NoseAndMouth(Painter &p, const Member &m, bool smileOpen) {
    // the nose: a soft shadow down its right side and the nostrils
    Stroke(p, HEAD_X + 1.5, HEAD_Y + 5, HEAD_X + 2.5, HEAD_Y + 13, 1.6, m.skin, 0.42, 0);
    Ball(p, HEAD_X - 2.2, HEAD_Y + 14.2, 1.5, 0.9, m.skin, 0.3, 0, false);
    Ball(p, HEAD_X + 2.6, HEAD_Y + 14.2, 1.5, 0.9, m.skin, 0.3, 0, false);
    Ball(p, HEAD_X - 1.8, HEAD_Y + 8, 1.2, 3.0, m.skin, 0.85, 0, false);
    // the mouth: a smile
    const double my = HEAD_Y + 20.5;
    if (smileOpen) {
        p.Fill(HEAD_X - 7, my - 2, HEAD_X + 7, my + 5, [&](double u, double v, int &r, double &sh) {
            double t = (u - HEAD_X) / 7;
            double upper = my - 1 + 1.8 * t * t;
            double lower = my + 4.2 - 3.2 * t * t;
            if (v < upper || v > lower || t < -1 || t > 1) {
                return false;
            }
            r = GREY;
            sh = v < upper + 2.2 ? 0.95 : 0.3;
            if (v > lower - 1.0) {
                r = ROSE;
                sh = 0.55;
            }
            return true;
        });
    } else {
        for (int i = 0; i < 8; ++i) {
            double t0 = -1 + i / 4.0, t1 = -1 + (i + 1) / 4.0;
            Stroke(p, HEAD_X + 6.5 * t0, my + 1.4 - 1.8 * (1 - t0 * t0), HEAD_X + 6.5 * t1,
                   my + 1.4 - 1.8 * (1 - t1 * t1), 1.3, ROSE, 0.3, 0);
        }
        Ball(p, HEAD_X, my + 2.6, 4.2, 1.3, ROSE, 0.62, 0.3, false);
    }
}

void Body(Painter &p, const Member &m) {
    // neck
    p.Fill(HEAD_X - 9, HEAD_Y + 18, HEAD_X + 9, 120, [&](double u, double v, int &r, double &sh) {
        double hw = 8.5 + (v > 104 ? (v - 104) * 0.35 : 0);
        if (u < HEAD_X - hw || u > HEAD_X + hw) {
            return false;
        }
        r = m.skin;
        sh = 0.38 + 0.18 * ((u - HEAD_X) / hw < 0 ? -(u - HEAD_X) / hw : 0) -
             (HEAD_X + hw - u < p.Edge() || u - (HEAD_X - hw) < p.Edge() ? 0.15 : 0);
        return true;
    });
    // shoulders and chest
    Ball(p, 50, 160, 50, 52, m.cloth, 0.62, 0.6);
    // collar opening
    Polygon(p, {{40, 107}, {60, 107}, {50, 124}}, m.skin, 0.42, 0.6);
}

void HairBehind(Painter &p, const Member &m) {
    switch (m.style) {
    case LONG_WAVES:
        p.Fill(18, 30, 82, 132, [&](double u, double v, int &r, double &sh) {
            double t = (v - 30) / 102;
            double ny = (u - HEAD_X) / 34;
            double half = 30 + 4 * t;
            if (v < 52) {
                double k = (52 - v) / 22;
                half *= std::sqrt(k < 1 ? 1 - k * k : 0);
            }
            if (u < HEAD_X - half || u > HEAD_X + half) {
                return false;
            }
            if (v > 110 && (u - HEAD_X) * (u - HEAD_X) < (v - 112) * (v - 112) * 6) {
                return false;
            }
            r = m.hair;
            // strands: gentle stripes across the width
            double strand = (u - HEAD_X) * 0.5 + v * 0.12;
            double frac = strand - std::floor(strand / 3) * 3;
            sh = 0.42 + 0.18 * (1 - ny * ny) + (frac < 1 ? 0.08 : 0) - 0.25 * t;
            return true;
        });
        break;
    case AFRO:
        Ball(p, HEAD_X, HEAD_Y - 14, 36, 31, m.hair, 0.5, 0.7);
        break;
    case BOB:
        p.Fill(20, 26, 80, 92, [&](double u, double v, int &r, double &sh) {
            double dx = (u - HEAD_X) / 30, dy = (v - (HEAD_Y - 6)) / 34;
            if (v < HEAD_Y - 6 ? dx * dx + dy * dy > 1 : (dx < -1 || dx > 1)) {
                return false;
            }
            if (v > 88 - 4 * dx) {
                return false;
            }
            r = m.hair;
            sh = 0.4 + 0.35 * (Lambert(dx, dy < 0 ? dy : 0, 0.6) - 0.4);
            if (88 - 4 * dx - v < p.Edge() * 1.5) {
                sh += 0.2;
            }
            return true;
        });
        break;
    case SPIKES:
        break;
    }
}

void HairFront(Painter &p, const Member &m) {
    switch (m.style) {
    case LONG_WAVES:
        // a cap with a side parting, sweeping over the right of the forehead
        p.Fill(24, 26, 78, 60, [&](double u, double v, int &r, double &sh) {
            double dx = (u - HEAD_X) / 27, dy = (v - (HEAD_Y - 8)) / 25;
            if (dx * dx + dy * dy > 1) {
                return false;
            }
            double line = HEAD_Y - 16 + 10 * ((u - 42) / 34) * ((u - 42) / 34);
            if (u > 42 && v > line && u < 74) {
                return false;
            }
            if (u <= 42 && v > HEAD_Y - 14 + 9 * ((42 - u) / 18) && u > 28) {
                return false;
            }
            r = m.hair;
            double nz = std::sqrt(1 - dx * dx - dy * dy > 0 ? 1 - dx * dx - dy * dy : 0);
            double strand = u * 0.45 - v * 0.2;
            double frac = strand - std::floor(strand / 2.5) * 2.5;
            sh = 0.5 + 0.45 * (Lambert(dx, dy, nz) - 0.5) + (frac < 0.8 ? 0.08 : 0);
            return true;
        });
        break;
    case AFRO:
        // hairline over the forehead
        p.Fill(25, 28, 75, 52, [&](double u, double v, int &r, double &sh) {
            double dx = (u - HEAD_X) / 25, dy = (v - (HEAD_Y - 8)) / 23;
            if (dx * dx + dy * dy > 1 || v > HEAD_Y - 15 + 8 * dx * dx * 1.6) {
                return false;
            }
            r = m.hair;
            sh = 0.42 + 0.3 * (Lambert(dx, dy, 0.5) - 0.4);
            return true;
        });
        break;
    case SPIKES: {
        const double tips[][2] = {{22, 38}, {28, 22}, {38, 16}, {50, 12}, {62, 16},
                                  {72, 22}, {79, 37}, {44, 20}, {57, 19}};
        for (const auto &tip : tips) {
            double bx = HEAD_X + (tip[0] - HEAD_X) * 0.45, by = HEAD_Y - 14;
            double nx = -(tip[1] - by), ny = tip[0] - bx;
            double len = std::sqrt(nx * nx + ny * ny);
            nx = nx / len * 8;
            ny = ny / len * 8;
            Polygon(p, {{bx - nx, by - ny}, {tip[0], tip[1]}, {bx + nx, by + ny}}, m.hair, 0.85,
                    0.5);
        }
        p.Fill(26, 28, 74, 50, [&](double u, double v, int &r, double &sh) {
            double dx = (u - HEAD_X) / 24.5, dy = (v - (HEAD_Y - 8)) / 23;
            if (dx * dx + dy * dy > 1 || v > HEAD_Y - 17 + 7 * dx * dx) {
                return false;
            }
            r = m.hair;
            sh = 0.55 + 0.4 * (Lambert(dx, dy, 0.5) - 0.4);
            return true;
        });
        break;
    }
    case BOB:
        // a straight fringe
        p.Fill(24, 26, 76, 52, [&](double u, double v, int &r, double &sh) {
            double dx = (u - HEAD_X) / 26, dy = (v - (HEAD_Y - 6)) / 30;
            if (dx * dx + dy * dy > 1 || v > HEAD_Y - 9 + 1.5 * dx * dx) {
                return false;
            }
            r = m.hair;
            double strand = u * 0.7;
            double frac = strand - std::floor(strand / 3) * 3;
            sh = 0.42 + 0.35 * (Lambert(dx, dy, 0.5) - 0.4) + (frac < 1 ? 0.07 : 0);
            return true;
        });
        break;
    }
}

void Extras(Painter &p, int who) {
    switch (who) {
    case 0: // the singer: gold hoop earrings
        Stroke(p, HEAD_X - 24, HEAD_Y + 10, HEAD_X - 24, HEAD_Y + 15, 1.6, CLOTH_GOLD, 0.8);
        Stroke(p, HEAD_X + 24, HEAD_Y + 10, HEAD_X + 24, HEAD_Y + 15, 1.6, CLOTH_GOLD, 0.8);
        break;
    case 1: // the guitarist: a guitar strap across the chest
        Polygon(p, {{72, 106}, {82, 110}, {36, 152}, {22, 152}}, HAIR_BLACK, 0.45, 0.3);
        for (int i = 0; i < 4; ++i) {
            double t = 0.2 + 0.2 * i;
            Ball(p, 77 - 47 * t, 108 + 44 * t, 1.6, 1.6, GREY, 0.85, 0.3);
        }
        break;
    case 2: // the bassist: a short beard
        p.Fill(HEAD_X - 20, HEAD_Y + 12, HEAD_X + 20, HEAD_Y + 30,
               [&](double u, double v, int &r, double &sh) {
                   double hw = FaceHalfWidth(v);
                   if (hw <= 0 || u < HEAD_X - hw + 1 || u > HEAD_X + hw - 1) {
                       return false;
                   }
                   double dx = (u - HEAD_X) / 7, dy = (v - (HEAD_Y + 20.5)) / 3.6;
                   if (v < HEAD_Y + 14 + 5 * ((u - HEAD_X) / 20) * ((u - HEAD_X) / 20) ||
                       dx * dx + dy * dy < 1) {
                       return false;
                   }
                   r = HAIR_BLONDE;
                   sh = 0.45 - 0.15 * (v - HEAD_Y - 14) / 16;
                   return true;
               });
        break;
    case 3: // the drummer: a headband
        p.Fill(26, 36, 74, 42, [&](double u, double v, int &r, double &sh) {
            double dx = (u - HEAD_X) / 26;
            double c = HEAD_Y - 21 + 3 * dx * dx;
            if (v < c - 2.2 || v > c + 2.2 || dx < -1 || dx > 1) {
                return false;
            }
            r = CLOTH_RED;
            sh = 0.7 - 0.12 * (v - c);
            return true;
        });
        break;
    }
}

void DrawMember(Painter &p, int who) {
    const Member &m = BAND[who];
    HairBehind(p, m);
    Body(p, m);
    if (who == 3) {
        // a T-shirt with a star
        Ball(p, 50, 134, 6, 6, CLOTH_GOLD, 0.8, 0.4);
    }
    Ball(p, HEAD_X - 23, HEAD_Y + 4, 4.2, 7, m.skin, 0.5, 0.4);
    Ball(p, HEAD_X + 23, HEAD_Y + 4, 4.2, 7, m.skin, 0.5, 0.4);
    Face(p, m);
    Eyes(p, m);
    NoseAndMouth(p, m, who == 0 || who == 3);
    HairFront(p, m);
    if (m.style == LONG_WAVES) {
        // locks falling past the cheeks
        Polygon(p, {{28, 48}, {34, 44}, {30, 80}, {25, 104}, {22, 90}}, m.hair, 0.55, 0.4, false);
        Polygon(p, {{70, 44}, {76, 50}, {78, 92}, {74, 106}, {71, 80}}, m.hair, 0.5, 0.35, false);
    }
    Extras(p, who);
}

// A soft glow around (cx, cy); squeeze < 1 narrows it for a picture shown wider than stored.
void Backdrop(IndexedImage &img, int ramp, double cx, double cy, double squeeze = 1) {
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            double dx = (x + 0.5 - cx) / (70 * squeeze), dy = (y + 0.5 - cy) / 90;
            double glow = 1 - std::sqrt(dx * dx + dy * dy);
            double sh = 0.22 + 0.5 * Clamp01(glow) + 0.08 * (1 - (y + 0.5) / img.height);
            Painter p{img};
            img.set(x, y, p.Index(ramp, sh, x, y));
        }
    }
}

IndexedImage Portrait(int who) {
    IndexedImage img(100, 150, 0);
    if (who != 3) {
        Backdrop(img, BAND[who].background, 42, 50);
    }
    Painter p{img};
    if (who == 3) {
        // the drummer's sticks, crossed behind her
        Stroke(p, 8, 14, 84, 120, 4.2, HAIR_BLONDE, 0.6, 0.5);
        Stroke(p, 92, 14, 16, 120, 4.2, HAIR_BLONDE, 0.6, 0.5);
        Ball(p, 8, 14, 2.8, 2.8, HAIR_BLONDE, 0.8, 0.4);
        Ball(p, 92, 14, 2.8, 2.8, HAIR_BLONDE, 0.8, 0.4);
    }
    DrawMember(p, who);
    if (who == 3) {
        // a violet glow line around the cut-out so it stands free of the black
        IndexedImage copy = img;
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                if (copy.at(x, y) != 0) {
                    continue;
                }
                bool near = false;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < img.width && ny < img.height &&
                            copy.at(nx, ny) != 0) {
                            near = true;
                        }
                    }
                }
                if (near && y < img.height - 1) {
                    img.set(x, y, p.Index(CLOTH_VIOLET, 0.75, x, y));
                }
            }
        }
    }
    return img;
}

IndexedImage Group() {
    IndexedImage img(251, 150, 0);
    // Full screen shows this picture 4/3 as wide as it is stored on the 4:3 screens the saver
    // is made for, so the scene is drawn that much narrower. X and the arch's sizes below are
    // in rows, as shown: a column counts 4/3 of a row.
    const double squeeze = 0.75;
    const double cx = 125.5, archY = 86, rx = 121 / squeeze, ry = 82, frame = 6;
    // how far (x, y) lies inside the arch's outline; negative outside
    auto inside = [&](double x, double y) {
        double X = (x - cx) / squeeze;
        double ax = X < 0 ? -X : X;
        if (y >= archY) {
            return rx - ax;
        }
        // distance to the elliptic top, to first order, so the frame runs on at the same
        // width where the curve meets the straight sides
        double uy = y - archY;
        double g = ax * ax / (rx * rx) + uy * uy / (ry * ry);
        double gx = 2 * ax / (rx * rx), gy = 2 * uy / (ry * ry);
        return (1 - g) / std::sqrt(gx * gx + gy * gy);
    };
    Backdrop(img, BG_BLUE, 125, 30, squeeze);
    Painter stage{img};
    // side by side, the guitarist and bassist a little smaller and higher, as if further back
    const int order[4] = {1, 2, 3, 0};
    const double xs[4] = {97, 154, 211, 40};
    const double scales[4] = {0.82, 0.82, 0.86, 0.86};
    const double lift[4] = {12, 12, 2, 2};
    for (int i = 0; i < 4; ++i) {
        Painter p{img};
        p.sx = scales[i] * squeeze;
        p.sy = scales[i];
        p.ox = xs[i] - 50 * p.sx;
        p.oy = 150 - 150 * p.sy - lift[i];
        DrawMember(p, order[i]);
    }
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            double inner = inside(x + 0.5, y + 0.5);
            if (inner < 0) {
                img.set(x, y, 0);
            } else if (inner < frame) {
                // a gilded frame with a bevel: light on the outer edge, dark inside
                img.set(x, y, stage.Index(CLOTH_GOLD, 0.95 - 0.11 * inner, x, y));
            }
        }
    }
    return img;
}

} // namespace

std::vector<Rgb> PicturePalette() {
    std::vector<Rgb> pal(256, Rgb{0, 0, 0});
    for (int r = 0; r < RAMP_COUNT; ++r) {
        const Rgb base = RAMP_BASE[r];
        const double b[3] = {double(base.r), double(base.g), double(base.b)};
        for (int l = 0; l < SHADES; ++l) {
            double t = double(l) / (SHADES - 1);
            double c[3];
            for (int k = 0; k < 3; ++k) {
                double dark = b[k] * 0.14 + 5;
                double light = b[k] + (255 - b[k]) * 0.8;
                c[k] = t <= 0.55 ? dark + (b[k] - dark) * (t / 0.55)
                                 : b[k] + (light - b[k]) * ((t - 0.55) / 0.45);
            }
            pal[1 + r * SHADES + l] =
                Rgb{static_cast<std::uint8_t>(c[0] + 0.5), static_cast<std::uint8_t>(c[1] + 0.5),
                    static_cast<std::uint8_t>(c[2] + 0.5)};
        }
    }
    return pal;
}

IndexedImage DrawPicture(int id) {
    return id == 5 ? Group() : Portrait(id - 1);
}

std::vector<Rgb> IconPalette() {
    return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
}

std::vector<IconImage> DrawIcon() {
    std::vector<IconImage> images;
    for (int size : {16, 32}) {
        IconImage icon;
        icon.colours = IndexedImage(size, size, 0);
        icon.transparent.assign(static_cast<std::size_t>(size) * size, true);
        const double k = size / 32.0;
        const double line = size == 16 ? 1.0 : 1.5; // outline width in pixels
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                // work in a 32-unit grid whatever the size
                double u = (x + 0.5) / k, v = (y + 0.5) / k;
                double du = u - 16, dv = v - 16;
                double r = std::sqrt(du * du + dv * dv);
                if (r > 15.6) {
                    continue;
                }
                // a purple disc with a dark rim and a lit crescent at its upper left
                const double su = du - 2.5, sv = dv - 2.5;
                const bool lit = su * su + sv * sv > 15.0 * 15.0;
                std::uint8_t c = r > 15.6 - line / k ? 4 : (lit ? 13 : 5);
                // a pair of beamed quavers
                auto head = [&](double hx, double hy) {
                    double a = (u - hx) * 0.8 + (v - hy) * 0.6,
                           b = -(u - hx) * 0.6 + (v - hy) * 0.8;
                    return (a * a) / (4.2 * 4.2) + (b * b) / (3.0 * 3.0) <= 1;
                };
                bool note = head(10.5, 22.5) || head(21.5, 20.5);
                double sw = size == 16 ? 2.0 : 2.2;
                if ((u >= 13.2 && u <= 13.2 + sw && v >= 8.5 && v <= 22) ||
                    (u >= 24.2 && u <= 24.2 + sw && v >= 6.5 && v <= 20)) {
                    note = true;
                }
                double beamTop = 8.5 - (u - 13.2) * (2.0 / 11.0);
                if (u >= 13.2 && u <= 24.2 + sw && v >= beamTop - 0.5 && v <= beamTop + 3.6) {
                    note = true;
                }
                if (note) {
                    c = 11;
                }
                icon.colours.set(x, y, c);
                icon.transparent[static_cast<std::size_t>(y) * size + x] = false;
            }
        }
        images.push_back(icon);
    }
    return images;
}

} // namespace contentgen
