#pragma once

// The numbers both metafile formats store for the drawing system's modes and styles, named
// once. Internal to the decoders.

#include <cstdint>

namespace plattera::gdi {

// SetTextAlign: horizontal and vertical placement of text against its reference point.
namespace textalign {
constexpr int UpdateCp = 0x01; // draw at, and advance, the current position
constexpr int HorizontalMask = 0x06;
constexpr int Right = 0x02;
constexpr int Center = 0x06;
constexpr int VerticalMask = 0x18;
constexpr int Bottom = 0x08;
constexpr int Baseline = 0x18;
} // namespace textalign

// ExtTextOut options.
namespace textout {
constexpr uint32_t Opaque = 0x0002;
constexpr uint32_t Clipped = 0x0004;
constexpr uint32_t GlyphIndex = 0x0010;
constexpr uint32_t NoRect = 0x0100;     // EMF: the record carries no rectangle
constexpr uint32_t SmallChars = 0x0200; // EMF small text: 8-bit characters
constexpr uint32_t Pdy = 0x2000;        // each character has a vertical advance too
} // namespace textout

// Ternary raster operations the player tells apart.
namespace rop {
constexpr uint32_t SrcCopy = 0x00CC0020;
constexpr uint32_t SrcAnd = 0x008800C6;
constexpr uint32_t SrcPaint = 0x00EE0086;
constexpr uint32_t SrcInvert = 0x00660046;
constexpr uint32_t NotSrcCopy = 0x00330008;
constexpr uint32_t MergePaint = 0x00BB0226;
constexpr uint32_t SrcErase = 0x00440328;
constexpr uint32_t NotSrcErase = 0x001100A6;
constexpr uint32_t PatCopy = 0x00F00021;
constexpr uint32_t PatInvert = 0x005A0049;
constexpr uint32_t DstInvert = 0x00550009;
constexpr uint32_t DstCopy = 0x00AA0029; // leaves the destination as it is
constexpr uint32_t Blackness = 0x00000042;
constexpr uint32_t Whiteness = 0x00FF0062;
} // namespace rop

namespace brush {
constexpr int Solid = 0;
constexpr int Null = 1;
constexpr int Hatched = 2;
constexpr int Pattern = 3;
constexpr int DibPattern = 5;
constexpr int DibPatternPt = 6;
} // namespace brush

namespace pen {
constexpr int StyleMask = 0x0F;
constexpr int Dash = 1;
constexpr int Dot = 2;
constexpr int DashDot = 3;
constexpr int DashDotDot = 4;
constexpr int Null = 5;
constexpr int UserStyle = 7;
constexpr int CapMask = 0x0F00;
constexpr int CapSquare = 0x0100;
constexpr int CapFlat = 0x0200;
constexpr int JoinMask = 0xF000;
constexpr int JoinBevel = 0x1000;
constexpr int JoinMiter = 0x2000;
constexpr int Geometric = 0x10000;
} // namespace pen

namespace mapmode {
constexpr int Text = 1;
constexpr int LoMetric = 2; // the metric modes run from here to Twips
constexpr int Twips = 6;
constexpr int Isotropic = 7;
constexpr int Anisotropic = 8;
} // namespace mapmode

// ModifyWorldTransform's modes; SetWorldTransform is Set.
namespace worldtransform {
constexpr uint32_t Identity = 1;
constexpr uint32_t LeftMultiply = 2; // the record's transform applies before the current one
constexpr uint32_t RightMultiply = 3;
constexpr uint32_t Set = 4;
} // namespace worldtransform

// EMF: an object index with this bit set names a stock object.
constexpr uint32_t StockObject = 0x80000000u;

// The "second choice" value of the two-way modes.
constexpr int OpaqueBackground = 2; // SetBkMode
constexpr int WindingFill = 2;      // SetPolyFillMode
constexpr int ClockwiseArcs = 2;    // SetArcDirection
constexpr int SymbolCharset = 2;    // a font's character set

// Region combination modes, as ExtSelectClipRgn and SelectClipPath name them.
enum ClipMode { ClipAnd = 1, ClipOr = 2, ClipXor = 3, ClipDiff = 4, ClipCopy = 5 };

} // namespace plattera::gdi
