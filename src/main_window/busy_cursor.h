// BusyCursor: the wait cursor over the whole application while a batch runs,
// since the batch keeps the user-interface thread and the window cannot
// answer. Set on construction, taken back on destruction, also when the
// batch is left by an exception. A LiftedCursor takes it back for a scope
// (a message box the user has to read and close) and sets it again after.
// Both are scoped, non-copyable and for the user-interface thread only.
#ifndef KALVENIX_MAIN_WINDOW_BUSY_CURSOR_H_
#define KALVENIX_MAIN_WINDOW_BUSY_CURSOR_H_

namespace kalvenix {

class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

class LiftedCursor {
 public:
  // `busy` may be null: then nothing is lifted (a message outside a batch).
  explicit LiftedCursor(const BusyCursor* busy);
  ~LiftedCursor();
  LiftedCursor(const LiftedCursor&) = delete;
  LiftedCursor& operator=(const LiftedCursor&) = delete;

 private:
  bool lifted_;
};

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_BUSY_CURSOR_H_
