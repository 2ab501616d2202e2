// Sheetwright's preview window: the current entry scaled to the window, with
// a grid of inverted cells between two corners the mouse sets.
#include <algorithm>
#include <vector>

#include "imagetool/imagetool.h"
#include "platform/present.h"

namespace {

// The current entry when it has pixels to show.
const ImageEntry* Shown(const ImageTool& tool) {
  const ImageEntry* entry = tool.CurrentEntry();
  return entry && entry->surface.Valid() ? entry : nullptr;
}

int32_t Scale(int64_t v, int64_t to, int64_t from) { return static_cast<int32_t>(v * to / from); }

}  // namespace

plat::Window* ImageTool::CreatePreviewWindow() {
  plat::WindowSystem* windows = plat::GetWindowSystem();
  if (!windows) return nullptr;
  plat::WindowDesc desc;
  desc.clientWidth = 64;
  desc.clientHeight = 64;
  desc.title = title;
  desc.iconId = 129;
  desc.style = plat::WindowStyle::kFramedSizable;
  desc.x = 40;
  desc.y = 40;
  desc.proc = [this](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) { return PreviewWndProc(w, m, wp, lp); };
  preview = windows->CreateMainWindow(desc);
  return preview;
}

intptr_t ImageTool::PreviewWndProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case plat::kMsgCreate:
      registry.RestoreWindow(window, "PreviewWnd", false, false);
      PreviewRefresh(window);
      return 0;
    case kMsgRefresh: PreviewRefresh(window); return 0;
    case plat::kMsgSize:
      // A resized window is drawn again whole.
      window->Invalidate();
      return 0;
    case plat::kMsgPaint: PreviewPaint(window); return 0;
    case plat::kMsgMouseMove:
    case plat::kMsgLButtonDown:
    case plat::kMsgRButtonDown: PreviewMouse(window, wParam, lParam); return 0;
    case plat::kMsgClose:
      // The preview belongs to the dialog: closing it closes the tool.
      if (dialog && dialog->IsAlive()) dialog->PostMessage(plat::kMsgClose, 0, 0);
      return 0;
    case plat::kMsgDestroy:
      registry.SaveWindow(window, "PreviewWnd", false, false);
      if (preview == window) preview = nullptr;
      return 0;
    default: return plat::DefaultWindowProc(window, message, wParam, lParam);
  }
}

void ImageTool::PreviewRefresh(plat::Window* window) {
  int32_t w = 64;
  int32_t h = 64;
  if (const ImageEntry* entry = Shown(*this)) {
    const int32_t sw = entry->surface.Width();
    const int32_t sh = entry->surface.Height();
    w = std::max(window->ClientRect().right, sw);
    h = static_cast<int32_t>(sh * (static_cast<double>(w) / sw));
    h = std::max(h, 1);
  }
  const plat::WindowRect outer = window->OuterRect();
  const plat::WindowRect needed = window->OuterForClient(w, h);
  window->MoveOuter(outer.left, outer.top, needed.right - needed.left, needed.bottom - needed.top, true);
  window->Invalidate();
}

void ImageTool::PreviewPaint(plat::Window* window) {
  const plat::WindowRect client = window->ClientRect();
  const int32_t cw = client.right;
  const int32_t ch = client.bottom;
  if (cw <= 0 || ch <= 0) return;
  std::vector<uint32_t> pixels(static_cast<size_t>(cw) * ch, 0xFF000000u);
  if (const ImageEntry* entry = Shown(*this)) {
    const DibSurface& surface = entry->surface;
    const int32_t sw = surface.Width();
    const int32_t sh = surface.Height();
    const uint8_t* bits = surface.drawBits.data();
    for (int32_t y = 0; y < ch; ++y) {
      const auto* src = reinterpret_cast<const uint32_t*>(bits + static_cast<size_t>(surface.Pitch()) *
                                                                     plat::NearestSource(y, sh, ch));
      uint32_t* dst = &pixels[static_cast<size_t>(y) * cw];
      for (int32_t x = 0; x < cw; ++x) dst[x] = src[plat::NearestSource(x, sw, cw)];
    }
    const int32_t stepX = std::max(1, cellWidth + gapAcross);
    const int32_t stepY = std::max(1, cellHeight + gapDown);
    // Cells that start past the picture's edge are not on screen; stopping
    // there keeps a far corner (the mouse dragged outside the window reads
    // as a point far off) from costing millions of empty cells per paint.
    const int64_t endX = std::min<int64_t>(x2, sw);
    const int64_t endY = std::min<int64_t>(y2, sh);
    for (int64_t y = y1; y < endY; y += stepY) {
      for (int64_t x = x1; x < endX; x += stepX) {
        const int32_t left = std::clamp(Scale(x, cw, sw), 0, cw);
        const int32_t right = std::clamp(Scale(x + cellWidth, cw, sw), 0, cw);
        const int32_t top = std::clamp(Scale(y, ch, sh), 0, ch);
        const int32_t bottom = std::clamp(Scale(y + cellHeight, ch, sh), 0, ch);
        for (int32_t py = top; py < bottom; ++py) {
          uint32_t* row = &pixels[static_cast<size_t>(py) * cw];
          for (int32_t px = left; px < right; ++px) row[px] ^= 0x00FFFFFFu;
        }
      }
    }
  }
  plat::PresentBuffer buffer;
  buffer.bits = reinterpret_cast<const uint8_t*>(pixels.data());
  buffer.width = cw;
  buffer.height = ch;
  buffer.pitch = cw * 4;
  buffer.bitsPerPixel = 32;
  window->Present(buffer, plat::WindowRect{0, 0, cw, ch}, nullptr, 0);
}

void ImageTool::PreviewMouse(plat::Window* window, uintptr_t wParam, intptr_t lParam) {
  const ImageEntry* entry = Shown(*this);
  if (!entry) return;
  const plat::WindowRect client = window->ClientRect();
  if (client.right <= 0 || client.bottom <= 0) return;
  const int32_t mx = static_cast<int32_t>(plat::LowWord(static_cast<uintptr_t>(lParam)));
  const int32_t my = static_cast<int32_t>(plat::HighWord(static_cast<uintptr_t>(lParam)));
  const int32_t px = Scale(entry->surface.Width(), mx, client.right);
  const int32_t py = Scale(entry->surface.Height(), my, client.bottom);
  bool changed = false;
  if (wParam & plat::kButtonLeft) {
    x1 = px;
    y1 = py;
    changed = true;
  }
  if (wParam & plat::kButtonRight) {
    x2 = px + 1;
    y2 = py + 1;
    changed = true;
  }
  if (changed) window->Invalidate();
}
