#include "qt/canvas/qt_canvas.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

#include "platform/sjis.h"
#include "qt/canvas/qt_bitmap.h"

namespace chizro {
namespace {

QRect ToQRect(const TRect& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// The Windows faces stand for one of four kinds of Japanese face.
bool Contains(const QString& face, std::initializer_list<const char*> parts) {
  for (const char* part : parts)
    if (face.contains(QString::fromUtf8(part), Qt::CaseInsensitive)) return true;
  return false;
}

constexpr std::size_t kMaxCachedTexts = 20000;

}  // namespace

TQtCanvas::TQtCanvas(QPainter& painter, const QRect& clip, double pixelsPerInch)
    : painter_(painter), clip_(clip), pixelsPerInch_(pixelsPerInch) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setBackgroundMode(Qt::TransparentMode);
  PenChanged();
  BrushChanged();
  FontChanged();
}

TRect TQtCanvas::ClipRect() const {
  return {clip_.left(), clip_.top(), clip_.left() + clip_.width(), clip_.top() + clip_.height()};
}

QColor TQtCanvas::ToQColor(TColor color) {
  return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

Qt::PenStyle TQtCanvas::ToQtPenStyle(int style) {
  switch (style) {
    case kPenDash:
      return Qt::DashLine;
    case kPenDot:
      return Qt::DotLine;
    case kPenDashDot:
      return Qt::DashDotLine;
    case kPenDashDotDot:
      return Qt::DashDotDotLine;
    case kPenClear:
      return Qt::NoPen;
    default:  // solid, inside-frame and unknown numbers
      return Qt::SolidLine;
  }
}

Qt::BrushStyle TQtCanvas::ToQtBrushStyle(int style) {
  switch (style) {
    case kBrushClear:
      return Qt::NoBrush;
    case kBrushHorizontal:
      return Qt::HorPattern;
    case kBrushVertical:
      return Qt::VerPattern;
    case kBrushFDiagonal:
      return Qt::FDiagPattern;
    case kBrushBDiagonal:
      return Qt::BDiagPattern;
    case kBrushCross:
      return Qt::CrossPattern;
    case kBrushDiagCross:
      return Qt::DiagCrossPattern;
    default:  // solid and unknown numbers
      return Qt::SolidPattern;
  }
}

QPen TQtCanvas::ToQPen(const TPen& pen) {
  QPen q(ToQColor(pen.Color));
  q.setStyle(ToQtPenStyle(pen.Style));
  // Width 0 and 1 are both one pixel, as on a device context.
  q.setWidth(std::max(pen.Width, 1));
  if (pen.Width > 1) {
    q.setCapStyle(Qt::RoundCap);
    q.setJoinStyle(Qt::RoundJoin);
  } else {
    q.setCapStyle(Qt::FlatCap);
    q.setJoinStyle(Qt::MiterJoin);
  }
  return q;
}

QBrush TQtCanvas::ToQBrush(const TBrush& brush) {
  return QBrush(ToQColor(brush.Color), ToQtBrushStyle(brush.Style));
}

QStringList TQtCanvas::FallbackFamilies(std::string_view faceName) {
  const QString face = QString::fromStdString(SjisToUtf8(faceName));
  const bool mincho = Contains(face, {"明朝", "Mincho"});
  // "ＭＳ Ｐゴシック", "MS UI Gothic" and the like are proportional; "ＭＳ
  // ゴシック" and "ＭＳ 明朝" are fixed-pitch.
  const bool proportional =
      Contains(face, {"Ｐ", "UI", "PGothic", "PMincho"}) || !Contains(face, {"ＭＳ", "MS "});
  QStringList families;
  if (mincho) {
    families << (proportional ? "IPAPMincho" : "IPAMincho") << "IPAPMincho"
             << "IPAMincho";
  }
  families << (proportional ? "IPAPGothic" : "IPAGothic") << "IPAPGothic"
           << "IPAGothic";
  families.removeDuplicates();
  return families;
}

QFont TQtCanvas::ToQFont(const TFont& font, double pixelsPerInch) {
  QFont q;
  QStringList families;
  const QString face = QString::fromStdString(SjisToUtf8(font.Name));
  if (!face.isEmpty()) families << face;
  families << FallbackFamilies(font.Name);
  q.setFamilies(families);
  // Points at the surface's resolution, rounded as a device context rounds
  // a font height.
  const int pixels = static_cast<int>(std::lround(font.Size * pixelsPerInch / 72.0));
  q.setPixelSize(std::max(pixels, 1));
  q.setBold(font.Bold);
  q.setItalic(font.Italic);
  q.setUnderline(font.Underline);
  q.setStrikeOut(font.StrikeOut);
  q.setStyleStrategy(QFont::NoAntialias);
  return q;
}

void TQtCanvas::PenChanged() { pen_ = ToQPen(Pen()); }

void TQtCanvas::BrushChanged() { brush_ = ToQBrush(Brush()); }

void TQtCanvas::FontChanged() {
  font_ = ToQFont(Font(), pixelsPerInch_);
  metrics_.reset();
}

const QFontMetrics& TQtCanvas::Metrics() {
  if (!metrics_) metrics_.emplace(font_);
  return *metrics_;
}

const QString& TQtCanvas::Unicode(std::string_view sjis) {
  if (texts_.size() >= kMaxCachedTexts) texts_.clear();
  auto [it, added] = texts_.try_emplace(std::string(sjis));
  if (added) it->second = QString::fromStdString(SjisToUtf8(sjis));
  return it->second;
}

void TQtCanvas::FillRect(const TRect& r) {
  if (brush_.style() == Qt::NoBrush) return;
  painter_.fillRect(ToQRect(r), brush_);
}

void TQtCanvas::Rectangle(const TRect& r) {
  const QRect rect = ToQRect(r);
  if (pen_.style() == Qt::NoPen) {
    FillRect(r);
    return;
  }
  painter_.setPen(pen_);
  painter_.setBrush(brush_);
  // The outline runs along the rectangle's last row and column, inside it.
  painter_.drawRect(rect.adjusted(0, 0, -1, -1));
}

void TQtCanvas::Polygon(std::span<const TPoint> points) {
  if (points.empty()) return;
  points_.clear();
  for (const TPoint& p : points) points_.emplace_back(p.x, p.y);
  painter_.setPen(pen_);
  painter_.setBrush(brush_);
  painter_.drawPolygon(points_.data(), static_cast<int>(points_.size()), Qt::OddEvenFill);
}

void TQtCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  points_.clear();
  for (const TPoint& p : points) points_.emplace_back(p.x, p.y);
  painter_.setPen(pen_);
  painter_.drawPolyline(points_.data(), static_cast<int>(points_.size()));
}

void TQtCanvas::TextOut(int x, int y, std::string_view text) {
  const QString& s = Unicode(text);
  const QFontMetrics& fm = Metrics();
  if (brush_.style() == Qt::SolidPattern)
    painter_.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), brush_.color());
  painter_.setFont(font_);
  painter_.setPen(ToQColor(Font().Color));
  painter_.drawText(QPoint(x, y + fm.ascent()), s);
}

int TQtCanvas::TextWidth(std::string_view text) {
  return Metrics().horizontalAdvance(Unicode(text));
}

void TQtCanvas::StretchDraw(const TRect& r, const TBitmap& image) {
  const auto* bitmap = dynamic_cast<const TQtBitmap*>(&image);
  if (!bitmap || bitmap->Image.isNull()) return;
  painter_.drawImage(ToQRect(r), bitmap->Image);
}

}  // namespace chizro
