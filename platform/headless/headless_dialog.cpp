#include "platform/headless/headless_dialog.h"

#include <algorithm>
#include <cstdio>

namespace plat::headless {

namespace {

bool IsList(ControlKind kind) { return kind == ControlKind::kListBox || kind == ControlKind::kDropDown; }

}  // namespace

// ---------------------------------------------------------------------------
// HeadlessDialog

HeadlessDialog::HeadlessDialog(HeadlessDialogSystem* system, const DialogDesc& desc, WindowPlacement* owner, bool modal)
    : BackendDialog(modal),
      system_(system),
      owner_(owner),
      title_(desc.title),
      // Pixels of a dialog unit for the classic 8-point dialog font.
      width_(desc.width * 6 / 4 + 16),
      height_(desc.height * 13 / 8 + 39 + (desc.menus.empty() ? 0 : 20)) {
  proc_ = desc.proc;
  for (const ControlDesc& c : desc.controls) {
    ControlState s;
    s.desc = c;
    s.text = IsList(c.kind) ? std::string() : c.text;
    s.enabled = !(c.flags & kCtlDisabled);
    s.limit = c.limit;
    controls_.push_back(std::move(s));
  }
  for (const MenuDesc& m : desc.menus) {
    for (const MenuItemDesc& item : m.items) {
      if (item.id != 0) menuItems_.push_back({item.id, item.checked});
    }
  }
}

ControlState* HeadlessDialog::Find(int32_t id) {
  if (!alive_ || id == kNoControlId) return nullptr;
  for (ControlState& c : controls_) {
    if (c.desc.id == id) return &c;
  }
  return nullptr;
}

const ControlState* HeadlessDialog::Find(int32_t id) const { return const_cast<HeadlessDialog*>(this)->Find(id); }

ControlState* HeadlessDialog::FindList(int32_t id) {
  ControlState* c = Find(id);
  return c && IsList(c->desc.kind) ? c : nullptr;
}

const ControlState* HeadlessDialog::FindList(int32_t id) const {
  return const_cast<HeadlessDialog*>(this)->FindList(id);
}

const ControlState* HeadlessDialog::Control(int32_t id) const { return Find(id); }

void HeadlessDialog::Command(int32_t id, uint32_t notify) {
  Send(kMsgCommand, MakeWParam(id, static_cast<int32_t>(notify)), 0);
}

std::string HeadlessDialog::GetText(int32_t id) const {
  const ControlState* c = Find(id);
  if (!c) return {};
  if (IsList(c->desc.kind)) return c->selection >= 0 ? c->items[c->selection] : std::string();
  return c->text;
}

bool HeadlessDialog::SetText(int32_t id, const std::string& text) {
  ControlState* c = Find(id);
  if (!c || IsList(c->desc.kind)) return false;
  c->text = text;
  if (c->desc.kind == ControlKind::kEdit) Command(id, kNotifyEditChange);
  return true;
}

bool HeadlessDialog::Check(int32_t id, bool checked) {
  ControlState* c = Find(id);
  if (!c || c->desc.kind != ControlKind::kCheckBox) return false;
  c->checked = checked;
  return true;
}

bool HeadlessDialog::IsChecked(int32_t id) const {
  const ControlState* c = Find(id);
  return c && c->checked;
}

bool HeadlessDialog::Enable(int32_t id, bool enabled) {
  ControlState* c = Find(id);
  if (!c) return false;
  c->enabled = enabled;
  return true;
}

bool HeadlessDialog::IsEnabled(int32_t id) const {
  const ControlState* c = Find(id);
  return c && c->enabled;
}

bool HeadlessDialog::LimitText(int32_t id, int32_t limit) {
  ControlState* c = Find(id);
  if (!c || c->desc.kind != ControlKind::kEdit) return false;
  c->limit = std::max(0, limit);
  return true;
}

bool HeadlessDialog::ScrollToEnd(int32_t id) {
  ControlState* c = Find(id);
  if (!c || c->desc.kind != ControlKind::kEdit) return false;
  ++c->scrolledToEnd;
  return true;
}

bool HeadlessDialog::ResetItems(int32_t id) {
  ControlState* c = FindList(id);
  if (!c) return false;
  c->items.clear();
  c->selection = -1;
  return true;
}

int32_t HeadlessDialog::AddItem(int32_t id, const std::string& text) { return InsertItem(id, -1, text); }

int32_t HeadlessDialog::InsertItem(int32_t id, int32_t index, const std::string& text) {
  ControlState* c = FindList(id);
  if (!c) return -1;
  const int32_t n = static_cast<int32_t>(c->items.size());
  if (index < 0) index = n;
  if (index > n) return -1;
  c->items.insert(c->items.begin() + index, text);
  if (c->selection >= index) ++c->selection;
  return index;
}

bool HeadlessDialog::DeleteItem(int32_t id, int32_t index) {
  ControlState* c = FindList(id);
  if (!c || index < 0 || index >= static_cast<int32_t>(c->items.size())) return false;
  c->items.erase(c->items.begin() + index);
  if (c->selection == index) {
    c->selection = -1;
  } else if (c->selection > index) {
    --c->selection;
  }
  return true;
}

int32_t HeadlessDialog::ItemCount(int32_t id) const {
  const ControlState* c = FindList(id);
  return c ? static_cast<int32_t>(c->items.size()) : -1;
}

std::string HeadlessDialog::ItemText(int32_t id, int32_t index) const {
  const ControlState* c = FindList(id);
  if (!c || index < 0 || index >= static_cast<int32_t>(c->items.size())) return {};
  return c->items[index];
}

bool HeadlessDialog::SetSelection(int32_t id, int32_t index) {
  ControlState* c = FindList(id);
  if (!c || index < -1 || index >= static_cast<int32_t>(c->items.size())) return false;
  c->selection = index;
  return true;
}

int32_t HeadlessDialog::Selection(int32_t id) const {
  const ControlState* c = FindList(id);
  return c ? c->selection : -1;
}

void HeadlessDialog::SetTitle(const std::string& title) {
  if (alive_) title_ = title;
}

bool HeadlessDialog::CheckMenuItem(int32_t id, bool checked) {
  if (!alive_) return false;
  for (MenuItemState& m : menuItems_) {
    if (m.id == id) {
      m.checked = checked;
      return true;
    }
  }
  return false;
}

bool HeadlessDialog::IsMenuItemChecked(int32_t id) const {
  for (const MenuItemState& m : menuItems_) {
    if (m.id == id) return alive_ && m.checked;
  }
  return false;
}

void HeadlessDialog::SetTimer(uint32_t id, uint32_t periodMs) {
  if (!alive_) return;
  timers_.Set(id, periodMs);
}

void HeadlessDialog::KillTimer(uint32_t id) { timers_.Kill(id); }

bool HeadlessDialog::HasTimer(uint32_t id) const { return timers_.Has(id); }

bool HeadlessDialog::PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!alive_) return false;
  system_->queue_.push_back({this, message, wParam, lParam});
  return true;
}

void HeadlessDialog::Show(bool shown) {
  if (alive_) shown_ = shown;
}

void HeadlessDialog::Close() {
  shown_ = false;
  timers_.Clear();
  system_->DropMessagesFor(this);
}

WindowRect HeadlessDialog::OuterRect() const { return {x_, y_, x_ + width_, y_ + height_}; }

void HeadlessDialog::MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool) {
  if (!alive_) return;
  x_ = x;
  y_ = y;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
}

// The screen of the window system when one is installed.
int32_t HeadlessDialog::ScreenWidth() const {
  const WindowSystem* windows = GetWindowSystem();
  return windows ? windows->ScreenWidth() : 1920;
}
int32_t HeadlessDialog::ScreenHeight() const {
  const WindowSystem* windows = GetWindowSystem();
  return windows ? windows->ScreenHeight() : 1080;
}

bool HeadlessDialog::Click(int32_t id) {
  ControlState* c = Find(id);
  if (!c || !c->enabled) return false;
  switch (c->desc.kind) {
    case ControlKind::kCheckBox: c->checked = !c->checked; break;
    case ControlKind::kButton:
    case ControlKind::kDefaultButton: break;
    default: return false;
  }
  Command(id, kNotifyClicked);
  return true;
}

bool HeadlessDialog::Type(int32_t id, const std::string& text) {
  ControlState* c = Find(id);
  if (!c || !c->enabled || c->desc.kind != ControlKind::kEdit) return false;
  if (!EditAccepts(c->desc.flags, c->limit, text)) return false;
  c->text = text;
  Command(id, kNotifyEditChange);
  return true;
}

bool HeadlessDialog::Leave(int32_t id) {
  ControlState* c = Find(id);
  if (!c || c->desc.kind != ControlKind::kEdit) return false;
  Command(id, kNotifyEditKillFocus);
  return true;
}

bool HeadlessDialog::Select(int32_t id, int32_t index) {
  ControlState* c = FindList(id);
  if (!c || !c->enabled) return false;
  const bool isList = c->desc.kind == ControlKind::kListBox;
  if (index < (isList ? -1 : 0) || index >= static_cast<int32_t>(c->items.size())) return false;
  c->selection = index;
  if (!isList || (c->desc.flags & kCtlNotify)) Command(id, kNotifyListSelChange);
  return true;
}

bool HeadlessDialog::DoubleClick(int32_t id, int32_t index) {
  ControlState* c = FindList(id);
  if (!c || c->desc.kind != ControlKind::kListBox || index < 0) return false;
  if (!Select(id, index)) return false;
  if (c->desc.flags & kCtlNotify) Command(id, kNotifyListDoubleClick);
  return true;
}

bool HeadlessDialog::ChooseMenu(int32_t id) {
  if (!alive_) return false;
  for (const MenuItemState& m : menuItems_) {
    if (m.id == id) {
      Command(id, kNotifyMenuItem);
      return true;
    }
  }
  return false;
}

void HeadlessDialog::UserClose() {
  if (alive_) Send(kMsgClose, 0, 0);
}

// ---------------------------------------------------------------------------
// HeadlessDialogSystem

HeadlessDialogSystem::HeadlessDialogSystem() { SetDialogSystem(this); }

HeadlessDialogSystem::~HeadlessDialogSystem() {
  if (GetDialogSystem() == this) SetDialogSystem(nullptr);
}

HeadlessDialog* HeadlessDialogSystem::Make(const DialogDesc& desc, WindowPlacement* owner, bool modal) {
  dialogs_.push_back(std::make_unique<HeadlessDialog>(this, desc, owner, modal));
  HeadlessDialog* d = dialogs_.back().get();
  d->Send(kMsgInitDialog, 0, 0);
  return d;
}

Dialog* HeadlessDialogSystem::CreateModeless(const DialogDesc& desc, WindowPlacement* owner) {
  HeadlessDialog* d = Make(desc, owner, false);
  return d->IsAlive() ? d : nullptr;
}

intptr_t HeadlessDialogSystem::RunModal(const DialogDesc& desc, WindowPlacement* owner) {
  HeadlessDialog* d = Make(desc, owner, true);
  modal_.push_back(d);
  d->Show(true);
  while (d->IsAlive() && !d->ended_) {
    if (DispatchOne()) continue;
    if (WindowSystem* windows = GetWindowSystem()) {
      Message m;
      if (windows->PeekMessage(&m, false)) {
        if (m.message == kMsgQuit) {
          // Left queued for the program's own loop.
          d->ended_ = true;
          d->result_ = -1;
          break;
        }
        windows->PeekMessage(&m, true);
        WindowSystem::DispatchMessage(m);
        continue;
      }
    }
    if (!steps_.empty()) {
      std::function<void()> step = std::move(steps_.front());
      steps_.pop_front();
      step();
      continue;
    }
    std::fprintf(stderr, "[headless] the modal dialog \"%s\" ran dry; ending it\n", d->Title().c_str());
    d->ended_ = true;
    d->result_ = kRanDryResult;
  }
  modal_.pop_back();
  const intptr_t result = d->ended_ ? d->result_ : 0;
  d->Destroy();
  return result;
}

bool HeadlessDialogSystem::DispatchOne() {
  if (queue_.empty()) return false;
  Posted p = queue_.front();
  queue_.pop_front();
  p.dialog->Send(p.message, p.wParam, p.lParam);
  return true;
}

int HeadlessDialogSystem::DispatchAll() {
  int n = 0;
  while (DispatchOne()) ++n;
  return n;
}

void HeadlessDialogSystem::AdvanceTime(uint32_t ms) {
  for (auto& d : dialogs_) {
    if (!d->alive_) continue;
    d->timers_.Advance(ms, [&](uint32_t id) {
      bool pending = false;
      for (const Posted& p : queue_) {
        if (p.dialog == d.get() && p.message == kMsgTimer && p.wParam == id) pending = true;
      }
      if (!pending) queue_.push_back({d.get(), kMsgTimer, id, 0});
    });
  }
}

void HeadlessDialogSystem::DropMessagesFor(HeadlessDialog* dialog) {
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [dialog](const Posted& p) { return p.dialog == dialog; }),
               queue_.end());
}

}  // namespace plat::headless
