#include "text/rewrite_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <string_view>
#include <unordered_map>

#include "text/edit_watch.h"
#include "text/spliced_text.h"
#include "text/text.h"
#include "text/text_set.h"

namespace zarn {

namespace {

thread_local bool plain_rewrites = false;

}  // namespace

void ApplyEditsPlainly(std::string& text, const std::vector<Edit>& edits, std::size_t first) {
  for (std::size_t i = first; i < edits.size(); ++i) {
    const Edit& edit = edits[i];
    if (edit.from.empty() || edit.from == edit.to) continue;
    if (edit.kind == Edit::kEvery)
      ReplaceAllIn(text, edit.from, edit.to);
    else
      ReplaceFirstIn(text, edit.from, edit.to);
  }
}

namespace {

using rewrite_detail::PlaceKey;
using rewrite_detail::SplicedText;
using rewrite_detail::TextSet;

// The edits that can change anything, each with the id of its text.
struct ActiveEdits {
  explicit ActiveEdits(const std::vector<Edit>& edits) {
    std::unordered_map<std::string_view, std::uint32_t> ids;
    for (std::size_t i = 0; i < edits.size(); ++i) {
      if (edits[i].from.empty() || edits[i].from == edits[i].to) continue;
      auto [it, added] = ids.try_emplace(edits[i].from, static_cast<std::uint32_t>(texts.size()));
      if (added) {
        texts.push_back(edits[i].from);
        last_use.push_back(0);
      }
      text_of.push_back(it->second);
      last_use[it->second] = index.size();
      index.push_back(i);
    }
  }

  std::vector<std::size_t> index;      // into the edits
  std::vector<std::uint32_t> text_of;  // by position in `index`
  std::vector<std::size_t> last_use;   // last position in `index` of each text
  std::vector<std::string_view> texts;
};

// Applies the edits in order in one pass over the original text, as the plain
// rule would one after another. While no edit has made a new occurrence of a
// text still to come, the live occurrences of a text are exactly its original
// ones that no replaced place overlaps; when an edit could make one, the rest
// is finished by the plain rule.
class OnePassRewrite {
 public:
  OnePassRewrite(std::string& text, const std::vector<Edit>& edits, ActiveEdits active, LeadPlaces known)
      : text_(text),
        edits_(edits),
        active_(std::move(active)),
        set_(std::move(active_.texts)),
        occurrences_(active_.last_use.size()),
        cursor_(active_.last_use.size(), 0),
        hot_count_(active_.last_use.size(), 0),
        live_(text),
        context_(set_.max_length() - 1) {
    auto note = [&](std::uint32_t id, std::size_t at) { occurrences_[id].push_back(at); };
    if (known.places && Lead(known.lead))
      set_.FindAmong(text, *known.places, note);
    else
      set_.Find(text, 0, text.size(), note);
  }

  void Run() {
    const std::size_t count = active_.index.size();
    for (std::size_t k = 0; k < count; ++k) {
      if (!ApplyEdit(k)) return FinishPlainly(active_.index[k]);
      if (k + 1 == count) break;
      if (!RecheckChangedPlaces(k)) return FinishPlainly(active_.index[k] + 1);
    }
    Finish();
    ChargeRewriteWork(text_.size());
  }

 private:
  struct Occurrence {
    std::size_t start;
    std::uint32_t id;
    bool operator<(const Occurrence& o) const { return start != o.start ? start < o.start : id < o.id; }
  };
  // A place that holds texts still to be edited, wholly inside it (as a
  // replaced body may hold a statement a later edit replaces): later edits act
  // on it too. It keeps the occurrences of every text inside it, so finding
  // them costs nothing per edit, and a place that keeps growing at its end is
  // only searched there.
  struct Hot {
    std::vector<Occurrence> inside;  // by start
  };
  struct Changed {
    PlaceKey key;
    std::size_t kept;  // leading bytes of the place's text unchanged since its last check
  };

  // Whether every text looked for begins with `lead`.
  bool Lead(std::string_view lead) const {
    if (lead.empty()) return false;
    for (std::uint32_t id = 0; id < active_.last_use.size(); ++id)
      if (set_.text(id).substr(0, lead.size()) != lead) return false;
    return true;
  }

  // The live text becomes the text; whoever watches it learns where it changed.
  void Finish() {
    if (EditWatch::Watches(text_)) EditWatch::NoteSplices(text_, live_.Splices());
    live_.BuildInPlace(text_);
  }

  void FinishPlainly(std::size_t from_edit) {
    Finish();
    ApplyEditsPlainly(text_, edits_, from_edit);
  }

  void Grow(std::size_t from_size, std::size_t to_size) {
    if (to_size <= from_size) return;
    grown_ += to_size - from_size;
    ChargeRewriteGrowth(grown_, text_.size());
  }

  void Forget(Hot& h) {
    for (const Occurrence& o : h.inside) --hot_count_[o.id];
    h.inside.clear();
  }

  void SearchWhole(Hot& h, const std::string& to) {
    Forget(h);
    set_.Find(to, 0, to.size(), [&](std::uint32_t id, std::size_t at) {
      h.inside.push_back({at, id});
      ++hot_count_[id];
    });
  }

  // `to` has just had its bytes from `first` on replaced: drop what stood
  // across or after `first`, search only the bytes a new occurrence can use.
  void SearchTail(Hot& h, const std::string& to, std::size_t first) {
    const std::size_t from = first > context_ ? first - context_ : 0;
    std::vector<Occurrence> tail;
    while (!h.inside.empty() && h.inside.back().start >= from) {
      const Occurrence o = h.inside.back();
      h.inside.pop_back();
      if (o.start + set_.text(o.id).size() <= first)
        tail.push_back(o);
      else
        --hot_count_[o.id];
    }
    std::string_view window = std::string_view(to).substr(from);
    set_.Find(window, 0, window.size(), [&](std::uint32_t id, std::size_t at) {
      if (from + at + set_.text(id).size() <= first) return;  // kept above
      tail.push_back({from + at, id});
      ++hot_count_[id];
    });
    std::sort(tail.begin(), tail.end());
    h.inside.insert(h.inside.end(), tail.begin(), tail.end());
  }

  // Applies edit k; false when it must be left to the plain rule.
  bool ApplyEdit(std::size_t k) {
    const Edit& edit = edits_[active_.index[k]];
    const std::uint32_t id = active_.text_of[k];
    const std::size_t length = edit.from.size();
    changed_.clear();
    const bool in_hot = hot_count_[id] > 0;
    // Replacing every occurrence by a text that ends with it puts text in
    // before each: the occurrence's own bytes stay original, and so stay
    // available to later edits that look for them (a marker put in front of
    // "free a1" leaves "free a10" whole).
    const bool inserts = edit.kind == Edit::kEvery && edit.to.size() > length &&
                         std::string_view(edit.to).substr(edit.to.size() - length) == edit.from;
    // Which comes first, an original place or one inside a replacement, is
    // not tracked for a first-only edit.
    if (edit.kind == Edit::kFirst && in_hot) return false;
    const std::vector<std::size_t> places = OriginalPlaces(edit, id, inserts);
    // Places that hold the text change first: their text stood before what
    // this edit puts in front of an original occurrence.
    if (in_hot) RewriteHotPlaces(edit, id);
    if (inserts && !places.empty())
      InsertBefore(edit, places);
    else
      ReplaceAt(edit, places);
    return true;
  }

  // The original occurrences that this edit changes.
  std::vector<std::size_t> OriginalPlaces(const Edit& edit, std::uint32_t id, bool inserts) {
    const std::size_t length = edit.from.size();
    const std::vector<std::size_t>& list = occurrences_[id];
    std::size_t& next = cursor_[id];
    std::vector<std::size_t> places;
    while (next < list.size() && live_.Overlaps(list[next], length)) ++next;
    if (edit.kind == Edit::kFirst) {
      if (next < list.size()) places.push_back(list[next++]);
      return places;
    }
    // Leftmost first, never overlapping, as one search-and-replace does. A
    // replaced occurrence is gone; one with text put in before it stays for
    // the next edit of the same text, and so do those it overlapped.
    std::size_t free_from = 0;
    for (std::size_t i = next; i < list.size(); ++i)
      if (list[i] >= free_from && !live_.Overlaps(list[i], length)) {
        places.push_back(list[i]);
        free_from = list[i] + length;
      }
    if (!inserts) next = list.size();
    return places;
  }

  void RewriteHotPlaces(const Edit& edit, std::uint32_t id) {
    const std::size_t length = edit.from.size();
    for (auto& [key, h] : hot_) {
      auto occurrence = std::find_if(h.inside.begin(), h.inside.end(), [&](const Occurrence& o) { return o.id == id; });
      if (occurrence == h.inside.end()) continue;
      const std::size_t first = occurrence->start;
      const std::string& to = live_.To(key);
      std::string& slot = rewritten_[key];
      const std::size_t size_before = to.size();
      if (first + length == to.size()) {
        // The only occurrence closes the place's text: extend it in place.
        if (&slot != &to) slot = to;
        slot.resize(first);
        slot += edit.to;
        ChargeRewriteWork(edit.to.size() + length);
        SearchTail(h, slot, first);
      } else {
        std::string next_version = ReplaceAll(to, edit.from, edit.to);
        slot = std::move(next_version);
        SearchWhole(h, slot);
      }
      Grow(size_before, slot.size());
      live_.SetTo(key, &slot);
      changed_.push_back({key, 0});
    }
  }

  void InsertBefore(const Edit& edit, const std::vector<std::size_t>& places) {
    inserted_.emplace_back(edit.to, 0, edit.to.size() - edit.from.size());
    const std::string& put = inserted_.back();
    for (std::size_t at : places) {
      const PlaceKey key{at, false};
      Grow(0, put.size());
      if (!live_.Has(key)) {
        live_.Insert(at, &put);
        changed_.push_back({key, 0});
        continue;
      }
      // Another insertion stands there already: this one follows it.
      const std::string& before_now = live_.To(key);
      std::string& slot = rewritten_[key];
      if (&slot != &before_now) slot = before_now;
      const std::size_t kept = slot.size();
      slot += put;
      ChargeRewriteWork(put.size());
      live_.SetTo(key, &slot);
      if (auto h = hot_.find(key); h != hot_.end()) SearchTail(h->second, slot, kept);
      changed_.push_back({key, kept});
    }
  }

  void ReplaceAt(const Edit& edit, const std::vector<std::size_t>& places) {
    for (std::size_t at : places) {
      live_.Replace(at, edit.from.size(), &edit.to);
      Grow(edit.from.size(), edit.to.size());
      changed_.push_back({PlaceKey{at, true}, 0});
    }
  }

  // Texts still to be edited after edit k, newly standing across or inside a
  // changed place (or across the point where a deletion joined two
  // stretches). False when one stands across: only the plain rule finds it.
  bool RecheckChangedPlaces(std::size_t k) {
    for (const Changed& change : changed_) {
      const PlaceKey key = change.key;
      auto known = hot_.find(key);
      bool across = false, inside = false;
      if (known != hot_.end() && live_.To(key).size() > 2 * context_)
        FindAtEdges(k, key, known->second, across, inside);
      else if (known == hot_.end() && change.kept > context_)
        FindInGrownEnd(k, key, change.kept, across, inside);
      else
        FindAroundPlace(k, key, across, inside);
      if (across || (inside && known == hot_.end() && hot_.size() >= 64)) return false;
      if (inside && known == hot_.end()) {
        SearchWhole(hot_[key], live_.To(key));
      } else if (!inside && known != hot_.end()) {
        Forget(known->second);
        hot_.erase(known);
      }
    }
    return true;
  }

  bool Later(std::uint32_t text, std::size_t k) const { return active_.last_use[text] > k; }

  // A long place whose inside is known: only its two edges can hold a text
  // across them.
  void FindAtEdges(std::size_t k, PlaceKey key, const Hot& known, bool& across, bool& inside) const {
    const std::string& to = live_.To(key);
    const std::string before = live_.Before(key, context_, set_.line_only(), set_.terminator());
    std::string head = before + to.substr(0, context_);
    set_.Find(head, 0, before.size(), [&](std::uint32_t other, std::size_t start) {
      if (start + set_.text(other).size() > before.size() && Later(other, k)) across = true;
    });
    std::string tail =
        to.substr(to.size() - context_) + live_.After(key, context_, set_.line_only(), set_.terminator());
    set_.Find(tail, 0, context_, [&](std::uint32_t other, std::size_t start) {
      if (start + set_.text(other).size() > context_ && Later(other, k)) across = true;
    });
    for (const Occurrence& o : known.inside) inside = inside || Later(o.id, k);
  }

  // An insertion that grew at its end: its first bytes, and the bytes before
  // them, held no text still to come at its last check, so only texts
  // reaching into the new bytes can be new.
  void FindInGrownEnd(std::size_t k, PlaceKey key, std::size_t kept, bool& across, bool& inside) const {
    const std::string& to = live_.To(key);
    const std::size_t from = kept - context_;
    std::string window = to.substr(from) + live_.After(key, context_, set_.line_only(), set_.terminator());
    const std::size_t end_of_place = to.size() - from;
    set_.Find(window, 0, end_of_place, [&](std::uint32_t other, std::size_t start) {
      std::size_t end = start + set_.text(other).size();
      if (from + end <= kept || !Later(other, k)) return;
      if (end <= end_of_place)
        inside = true;
      else
        across = true;
    });
  }

  void FindAroundPlace(std::size_t k, PlaceKey key, bool& across, bool& inside) const {
    const std::string& to = live_.To(key);
    const std::string before = live_.Before(key, context_, set_.line_only(), set_.terminator());
    const std::string after = live_.After(key, context_, set_.line_only(), set_.terminator());
    std::string window;
    window.reserve(before.size() + to.size() + after.size());
    window.append(before).append(to).append(after);
    const std::size_t joint = before.size();
    const std::size_t last_start = to.empty() ? joint : joint + to.size();
    set_.Find(window, 0, last_start, [&](std::uint32_t other, std::size_t start) {
      std::size_t end = start + set_.text(other).size();
      if (end <= joint || !Later(other, k)) return;
      if (start >= joint && end <= joint + to.size())
        inside = true;
      else
        across = true;
    });
  }

  std::string& text_;
  const std::vector<Edit>& edits_;
  ActiveEdits active_;
  const TextSet set_;
  // Every occurrence of every text in the original, in order, and the first
  // of each not yet used up.
  std::vector<std::vector<std::size_t>> occurrences_;
  std::vector<std::size_t> cursor_;
  std::map<PlaceKey, Hot> hot_;
  std::vector<std::size_t> hot_count_;  // occurrences in all hot places, by text
  SplicedText live_;
  const std::size_t context_;
  // Texts of places changed after they were made, one slot per place: each
  // new version takes the place of the last, so a place that keeps growing
  // (one declaration after another before "endglobals") holds one copy.
  std::map<PlaceKey, std::string> rewritten_;
  std::deque<std::string> inserted_;  // what an insertion edit puts in, one copy per edit
  std::vector<Changed> changed_;      // places the current edit changed
  std::size_t grown_ = 0;             // bytes the live text has gained so far
};

}  // namespace

void ApplyEditsInOnePass(std::string& text, const std::vector<Edit>& edits, LeadPlaces known) {
  ActiveEdits active(edits);
  if (active.index.empty()) return;
  OnePassRewrite(text, edits, std::move(active), known).Run();
}

void ApplyEditsInOrder(std::string& text, const std::vector<Edit>& edits, LeadPlaces known) {
  // A handful of edits, or a short text, costs less by the plain rule.
  if (plain_rewrites || edits.size() <= 2 || edits.size() * text.size() <= (1u << 16))
    ApplyEditsPlainly(text, edits);
  else
    ApplyEditsInOnePass(text, edits, known);
}

PlainRewritesForTesting::PlainRewritesForTesting() : saved_(plain_rewrites) { plain_rewrites = true; }
PlainRewritesForTesting::~PlainRewritesForTesting() { plain_rewrites = saved_; }

}  // namespace zarn
