// The drawing surface on a QPainter: the window paints its map through it,
// and the converter paints offscreen into a QImage.
//
// Colours are 0x00BBGGRR. Pen styles map to Qt's (dash, dot, dash-dot,
// dash-dot-dot; none; inside-frame draws solid), brush styles too (solid,
// none, the six hatches, drawn without background as on a transparent
// device context). Fonts are sized in points at the canvas's pixels per inch;
// the Windows Japanese faces the definition files name are looked for first
// and fall back to the installed IPA faces. Text arrives as Shift_JIS and is
// converted to Unicode here, at the edge.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/canvas.h"

namespace chizro {

class TQtCanvas final : public TCanvas {
public:
  // Paints through `painter` (not owned; it must stay active while the
  // canvas is used) on a surface whose clip rectangle is `clip`.
  TQtCanvas(QPainter& painter, const QRect& clip, double pixelsPerInch = 96);

  TRect ClipRect() const override;
  // Follows a resized surface.
  void SetClipRect(const QRect& clip) { clip_ = clip; }

  void FillRect(const TRect& r) override;
  void Rectangle(const TRect& r) override;
  void Polygon(std::span<const TPoint> points) override;
  void Polyline(std::span<const TPoint> points) override;
  void TextOut(int x, int y, std::string_view text) override;
  int TextWidth(std::string_view text) override;
  void StretchDraw(const TRect& r, const TBitmap& image) override;

  static QColor ToQColor(TColor color);
  static Qt::PenStyle ToQtPenStyle(int style);
  static Qt::BrushStyle ToQtBrushStyle(int style);
  static QPen ToQPen(const TPen& pen);
  static QBrush ToQBrush(const TBrush& brush);
  // The font at `pixelsPerInch`, with the face's fallbacks.
  static QFont ToQFont(const TFont& font, double pixelsPerInch);
  // The installed faces tried after a face name (Shift_JIS bytes).
  static QStringList FallbackFamilies(std::string_view faceName);

protected:
  void PenChanged() override;
  void BrushChanged() override;
  void FontChanged() override;

private:
  const QString& Unicode(std::string_view sjis);
  const QFontMetrics& Metrics();

  QPainter& painter_;
  QRect clip_;
  double pixelsPerInch_;
  QPen pen_;
  QBrush brush_;
  QFont font_;
  std::optional<QFontMetrics> metrics_;
  std::vector<QPoint> points_;
  // Labels repeat from paint to paint; their Unicode forms are kept.
  std::unordered_map<std::string, QString> texts_;
};

}  // namespace chizro
