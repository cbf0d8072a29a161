// Fonts and text on the cairo drawing surface. A face name is looked up
// through fontconfig ("times" a serif, "COUR" a fixed-pitch face); the face is
// scaled so that its cell (ascent + descent) is the height asked for and its
// average character the width asked for, as GDI's font mapper does, and drawn
// without anti-aliasing.
#include "platform/cairo/text_cairo.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <numbers>
#include <string>
#include <strings.h>

#include "platform/cairo/surface_cairo.h"
#include "platform/windows1252.h"

namespace platform {

namespace {

struct FaceAlias {
    const char* name;
    const char* family;
    const char* generic;
};

constexpr FaceAlias faceAliases[] = {
    {"times", "Liberation Serif", "serif"},
    {"times new roman", "Liberation Serif", "serif"},
    {"cour", "Liberation Mono", "monospace"},
    {"courier", "Liberation Mono", "monospace"},
    {"courier new", "Liberation Mono", "monospace"},
    {"system", "Liberation Sans", "sans-serif"},
};

constexpr int defaultCellHeight = 16;

// Design metrics in font units, as GDI reads them from the OS/2 table.
struct DesignMetrics {
    double unitsPerEm = 1000;
    double ascent = 800;
    double descent = 200;
    double averageWidth = 500;
};

cairo_font_face_t* matchFace(const char* face, int weight)
{
    const char* family = face;
    const char* generic = "sans-serif";
    for (const FaceAlias& alias : faceAliases)
        if (::strcasecmp(face, alias.name) == 0) {
            family = alias.family;
            generic = alias.generic;
        }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return nullptr;
    FcPatternDel(match, FC_ANTIALIAS);
    FcPatternAddBool(match, FC_ANTIALIAS, FcFalse);
    cairo_font_face_t* fontFace = cairo_ft_font_face_create_for_pattern(match);
    FcPatternDestroy(match);
    return fontFace;
}

cairo_font_options_t* fontOptions()
{
    static cairo_font_options_t* options = [] {
        cairo_font_options_t* created = cairo_font_options_create();
        cairo_font_options_set_antialias(created, CAIRO_ANTIALIAS_NONE);
        cairo_font_options_set_hint_style(created, CAIRO_HINT_STYLE_FULL);
        cairo_font_options_set_hint_metrics(created, CAIRO_HINT_METRICS_ON);
        return created;
    }();
    return options;
}

DesignMetrics designMetrics(cairo_font_face_t* fontFace)
{
    DesignMetrics metrics;
    cairo_matrix_t unit;
    cairo_matrix_init_identity(&unit);
    cairo_scaled_font_t* probe = cairo_scaled_font_create(fontFace, &unit, &unit, fontOptions());
    FT_Face face = cairo_ft_scaled_font_lock_face(probe);
    if (face != nullptr && face->units_per_EM > 0) {
        metrics.unitsPerEm = face->units_per_EM;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            metrics.ascent = os2->usWinAscent;
            metrics.descent = os2->usWinDescent;
            if (os2->xAvgCharWidth > 0) metrics.averageWidth = os2->xAvgCharWidth;
        } else if (face->ascender - face->descender > 0) {
            metrics.ascent = face->ascender;
            metrics.descent = -face->descender;
            metrics.averageWidth = face->units_per_EM / 2.0;
        }
    }
    if (face != nullptr) cairo_ft_scaled_font_unlock_face(probe);
    cairo_scaled_font_destroy(probe);
    return metrics;
}

}  // namespace

Font* createFont(int height, int width, int escapement, int weight, const char* face)
{
    cairo_font_face_t* fontFace = matchFace(face != nullptr ? face : "", weight);
    if (fontFace == nullptr) return nullptr;
    const DesignMetrics metrics = designMetrics(fontFace);
    const double cellPerEm = (metrics.ascent + metrics.descent) / metrics.unitsPerEm;
    double emHeight = defaultCellHeight / cellPerEm;
    if (height > 0) emHeight = height / cellPerEm;
    if (height < 0) emHeight = -height;
    const double emWidth = width > 0 ? width * metrics.unitsPerEm / metrics.averageWidth : emHeight;

    auto* font = new Font{};
    font->angle = escapement / 10.0 * std::numbers::pi / 180.0;
    font->ascent = static_cast<int>(std::lround(emHeight * metrics.ascent / metrics.unitsPerEm));
    font->descent = static_cast<int>(std::lround(emHeight * cellPerEm)) - font->ascent;
    cairo_matrix_t scale, turn, fontMatrix, identity;
    cairo_matrix_init_scale(&scale, emWidth, emHeight);
    cairo_matrix_init_rotate(&turn, -font->angle);
    cairo_matrix_multiply(&fontMatrix, &scale, &turn);
    cairo_matrix_init_identity(&identity);
    font->scaled = cairo_scaled_font_create(fontFace, &fontMatrix, &identity, fontOptions());
    cairo_font_face_destroy(fontFace);
    return font;
}

namespace cairo {

Font* defaultFont()
{
    static Font* font = createFont(defaultCellHeight, 0, 0, 700, "System");
    return font;
}

}  // namespace cairo

void textOut(DrawingContext* context, int x, int y, const char* text, int count)
{
    if (context == nullptr || text == nullptr || count <= 0) return;
    const Font* font = context->font;
    if (font == nullptr || font->scaled == nullptr) return;
    const std::string utf8 = textToUtf8({text, static_cast<std::size_t>(count)});
    cairo_text_extents_t extents;
    cairo_scaled_font_text_extents(font->scaled, utf8.c_str(), &extents);
    const int advance = static_cast<int>(std::lround(std::hypot(extents.x_advance, extents.y_advance)));

    // Offsets along the text and across it (downwards for upright text) from
    // the reference point to the start of the baseline.
    int along = 0;
    if (context->align == TextAlign::centreBaseline) along = -advance / 2;
    if (context->align == TextAlign::rightBaseline) along = -advance;
    const int across = context->align == TextAlign::leftTop ? font->ascent : 0;
    const double ux = std::cos(font->angle), uy = -std::sin(font->angle);
    const double vx = -uy, vy = ux;
    const auto pointAt = [&](double a, double b) {
        return DevicePoint{x + static_cast<int>(std::lround(a * ux + b * vx)), y + static_cast<int>(std::lround(a * uy + b * vy))};
    };
    const DevicePoint cell[4] = {pointAt(along, across - font->ascent), pointAt(along + advance, across - font->ascent),
                                 pointAt(along + advance, across + font->descent), pointAt(along, across + font->descent)};

    cairo_t* cr = context->cr;
    cairo_new_path(cr);
    cairo_move_to(cr, cell[0].x, cell[0].y);
    for (const DevicePoint& corner : cell) cairo_line_to(cr, corner.x, corner.y);
    cairo_close_path(cr);
    cairo::setSourceColor(cr, context->background);
    cairo_fill(cr);

    const DevicePoint origin = pointAt(along, across);
    cairo_set_scaled_font(cr, font->scaled);
    cairo::setSourceColor(cr, context->textColor);
    cairo_move_to(cr, origin.x, origin.y);
    cairo_show_text(cr, utf8.c_str());
    cairo_new_path(cr);
}

}  // namespace platform
