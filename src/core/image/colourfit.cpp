#include "core/image/colourfit.h"

#include "core/image/colorreduce.h"
#include "core/image/imagecodec.h"
#include "core/image/jpegfit.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int kMostColours = 256;
// Counts above its answer that the fast search still tries before it believes the answer. The
// search without dithering believes an answer whose next count up is over: the walk's answer is
// guarded by the dithered pictures judged after it, and the count above that one, often a round
// of its own, changed no answer on the bench pictures.
constexpr int kConfirmMisses = 4, kPlainConfirmMisses = 1;

// How far to step down for a file that is `excess` bytes over its limit.
int excessStep(qint64 excess) {
    if (excess <= 100) return 2;
    if (excess <= 200) return 4;
    if (excess <= 500) return 6;
    if (excess <= 1000) return 8;
    return 10;
}

// The bit depth that holds a count the search visits (above 16 only even counts, below it only
// 8, 4 and 2).
int bitsFor(int colours) {
    if (colours > 16) return 8;
    if (colours == 16) return 4;
    if (colours >= 8) return 3;
    if (colours >= 4) return 2;
    return 1;
}

// Below 16 colours only 8, 4 and 2 fill their bit depth; a step that lands between them goes on
// at the next of these below, and falling under 2 tries 2 once. 0: nothing left to try.
int usableAtOrBelow(int colours, int previous) {
    if (colours >= 16) return colours;
    if (colours >= 8) return 8;
    if (colours >= 4) return 4;
    if (colours >= 2) return 2;
    return previous > 2 ? 2 : 0;
}

// Every count the search may visit, highest first.
const std::vector<int>& usableCounts() {
    static const std::vector<int> counts = [] {
        std::vector<int> c;
        for (int n = kMostColours; n >= 16; n -= 2) c.push_back(n);
        c.insert(c.end(), {8, 4, 2});
        return c;
    }();
    return counts;
}

struct Candidate {
    std::shared_ptr<FittedPalette> palette;
    QImage image;
    int bits = 8;
    bool pngDone = false, bmpDone = false;
    qint64 pngSize = -1, bmpSize = -1;
    QByteArray png;
};

void encodePng(const Encoder& encoder, Candidate& c) {
    if (c.pngDone) return;
    c.pngDone = true;
    c.png = encoder ? encoder(c.image, kFitPngFormat, c.bits) : QByteArray();
    c.pngSize = c.png.isEmpty() ? -1 : c.png.size();
}

void encodeBmp(const Encoder& encoder, Candidate& c) {
    if (c.bmpDone) return;
    c.bmpDone = true;
    const QByteArray bmp = encoder ? encoder(c.image, kFitBmpFormat, c.bits) : QByteArray();
    c.bmpSize = bmp.isEmpty() ? -1 : bmp.size();
}

// Position of a usable count in usableCounts().
int indexOf(int colours) {
    if (colours >= 16) return (kMostColours - colours) / 2;
    const int n = int(usableCounts().size());
    return colours >= 8 ? n - 3 : colours >= 4 ? n - 2 : n - 1;
}

// The index of the largest usable count not above a (fractional) count.
int indexAtOrBelow(double colours) {
    const std::vector<int>& counts = usableCounts();
    for (int i = 0; i < int(counts.size()); ++i)
        if (counts[i] <= colours) return i;
    return int(counts.size()) - 1;
}

enum class Verdict { Fits, Over, Failed };

// The palette of each count, shared by the searches with and without dithering on one picture.
using Palettes = std::map<int, std::shared_ptr<FittedPalette>>;

class Search {
public:
    Search(const QImage& source, FitLimits limits, const Encoder& encoder,
           const std::function<void(const FitPass&)>& progress, Palettes& palettes,
           bool dither = true)
        : source_(source), limits_(limits), encoder_(encoder), progress_(progress),
          palettes_(palettes), dither_(dither) {
        for (int colours : usableCounts())
            if (colours > limits.most) verdicts_[colours] = Verdict::Over;
    }

    FitResult walk();
    FitResult fast();
    bool fitsAbove(int colours);
    int passes() const { return passes_; }

private:
    Candidate* at(int colours);
    Candidate quantised(int colours, std::shared_ptr<FittedPalette> palette) const;
    Candidate judged(int colours, std::shared_ptr<FittedPalette> palette) const;
    std::shared_ptr<FittedPalette> knownPalette(int colours) const;
    bool measurePng(Candidate& c);
    bool measureBmp(Candidate& c);
    Verdict judge(int colours);
    bool judgeAll(const std::vector<int>& counts);
    std::pair<int, int> bracket() const;
    bool bmpOver(int index) const;
    const Candidate* known(int index) const;
    std::vector<int> narrow(int lo, int hi, bool bisect) const;
    std::optional<int> predict(int lo, int hi) const;
    std::vector<int> confirm(int hi) const;
    void report(const FitPass& pass) {
        ++passes_;
        if (progress_) progress_(pass);
    }
    FitResult success(int colours);
    FitResult failure(const Candidate* last) const;

    const QImage& source_;
    FitLimits limits_;
    const Encoder& encoder_;
    const std::function<void(const FitPass&)>& progress_;
    Palettes& palettes_;
    bool dither_;
    std::map<int, Candidate> cache_;
    std::map<int, Verdict> verdicts_;
    int passes_ = 0;
    int lastJudged_ = 0;
    qint64 lastPngSize_ = -1;
};

std::shared_ptr<FittedPalette> Search::knownPalette(int colours) const {
    auto it = palettes_.find(colours);
    return it == palettes_.end() ? nullptr : it->second;
}

// Always from the picture as it was before the search, as colorRes makes it, with the palette
// of that count when one is known. Touches nothing shared, so two counts may be quantised at
// once.
Candidate Search::quantised(int colours, std::shared_ptr<FittedPalette> palette) const {
    Candidate c;
    c.bits = bitsFor(colours);
    c.palette = palette ? std::move(palette) : FittedPalette::make(source_, colours);
    if (c.palette) c.image = c.palette->remap(source_, dither_);
    return c;
}

// Quantised once per count.
Candidate* Search::at(int colours) {
    auto it = cache_.find(colours);
    if (it == cache_.end()) {
        it = cache_.emplace(colours, quantised(colours, knownPalette(colours))).first;
        if (it->second.palette) palettes_[colours] = it->second.palette;
    }
    return it->second.image.isNull() ? nullptr : &it->second;
}

bool Search::measurePng(Candidate& c) {
    encodePng(encoder_, c);
    if (c.pngSize >= 0) lastPngSize_ = c.pngSize;
    return c.pngSize >= 0;
}

bool Search::measureBmp(Candidate& c) {
    encodeBmp(encoder_, c);
    return c.bmpSize >= 0;
}

FitResult Search::success(int colours) {
    const Candidate& c = cache_.at(colours);
    FitResult r;
    r.ok = true;
    r.image = c.image;
    r.bits = c.bits;
    r.colours = colours;
    r.pngSize = c.pngSize;
    r.bmpSize = c.bmpSize;
    r.passes = passes_;
    r.png = c.png;
    return r;
}

FitResult Search::failure(const Candidate* last) const {
    FitResult r;
    if (last) {
        r.image = last->image;
        r.bits = last->bits;
        r.bmpSize = last->bmpSize;
    }
    r.pngSize = lastPngSize_;
    r.passes = passes_;
    return r;
}

FitResult Search::walk() {
    int colours = kMostColours;
    bool pngOk = false, bmpOk = false;
    int next = 0;
    Candidate* c = nullptr;
    for (;;) {
        Candidate* current = at(colours);
        if (!current) return failure(c);
        c = current;
        FitPass pass{colours, c->bits};
        // After the PNG limit is met, a BMP over its limit is driven by bit depth: straight to
        // 16 colours, then halved.
        auto bmpStep = [&] {
            if (colours == 16 || colours == 8 || colours == 4) return colours / 2;
            if (colours < 4) return colours - 10;
            return 16;
        };
        if (!pngOk) {
            if (!measurePng(*c)) return failure(c);
            pass.pngSize = c->pngSize;
            if (c->pngSize <= limits_.png)
                pngOk = true;
            else
                next = colours - excessStep(c->pngSize - limits_.png);
        }
        if (!bmpOk) {
            if (!measureBmp(*c)) return failure(c);
            pass.bmpSize = c->bmpSize;
            if (c->bmpSize <= limits_.bmp)
                bmpOk = true;
            else
                next = pngOk ? bmpStep() : colours - excessStep(c->bmpSize - limits_.bmp);
        }
        if (pngOk && bmpOk) {
            // A limit met at a higher count is only a forecast for this one; the picture handed
            // back must meet both as it stands, and its own PNG bytes are the ones to save.
            if (!c->pngDone) {
                if (!measurePng(*c)) return failure(c);
                pass.pngSize = c->pngSize;
                if (c->pngSize > limits_.png) {
                    pngOk = false;
                    next = colours - excessStep(c->pngSize - limits_.png);
                }
            }
            if (!c->bmpDone) {
                if (!measureBmp(*c)) return failure(c);
                pass.bmpSize = c->bmpSize;
                if (c->bmpSize > limits_.bmp) {
                    bmpOk = false;
                    next = pngOk ? bmpStep() : colours - excessStep(c->bmpSize - limits_.bmp);
                }
            }
        }
        pass.pngOk = pngOk;
        pass.bmpOk = bmpOk;
        report(pass);
        if (pngOk && bmpOk) return success(colours);
        colours = usableAtOrBelow(next, colours);
        if (colours == 0) return failure(c);
    }
}

// Everything judge() needs for one count: the cheap BMP first, the PNG only when the BMP fits.
Candidate Search::judged(int colours, std::shared_ptr<FittedPalette> palette) const {
    try {
        Candidate c = quantised(colours, std::move(palette));
        if (c.image.isNull()) return c;
        encodeBmp(encoder_, c);
        if (c.bmpSize >= 0 && c.bmpSize <= limits_.bmp) encodePng(encoder_, c);
        return c;
    } catch (...) {
        return {}; // out of memory on a helper thread: a failed pass, not the end of the program
    }
}

// One pass per count.
Verdict Search::judge(int colours) {
    if (auto it = verdicts_.find(colours); it != verdicts_.end()) return it->second;
    Verdict v = Verdict::Failed;
    lastJudged_ = colours;
    if (Candidate* c = at(colours)) {
        FitPass pass{colours, c->bits};
        if (measureBmp(*c)) {
            pass.bmpSize = c->bmpSize;
            pass.bmpOk = c->bmpSize <= limits_.bmp;
            v = Verdict::Over;
            if (pass.bmpOk) {
                if (measurePng(*c)) {
                    pass.pngSize = c->pngSize;
                    pass.pngOk = c->pngSize <= limits_.png;
                    if (pass.pngOk) v = Verdict::Fits;
                } else {
                    v = Verdict::Failed;
                }
            }
        }
        report(pass);
    }
    verdicts_[colours] = v;
    return v;
}

// The second core's share of a round. One thread serves every round a thread asks of it: a new
// thread each round would also make its compressors and memory anew.
class RoundHelper {
public:
    ~RoundHelper() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    // Runs work on the helper thread; false when there is no such thread.
    bool start(std::function<void()> work) {
        if (std::thread::hardware_concurrency() < 2) return false;
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { serve(); });
            } catch (const std::system_error&) {
                return false;
            }
        }
        {
            std::lock_guard lock(mutex_);
            work_ = std::move(work);
        }
        wake_.notify_all();
        return true;
    }
    void wait() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return !work_; });
    }

private:
    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || work_; });
            if (quit_) return;
            lock.unlock();
            work_();
            lock.lock();
            work_ = nullptr;
            done_.notify_all();
        }
    }
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::function<void()> work_;
    bool quit_ = false;
};

// Two counts are quantised side by side when a second core is there; each quantisation runs on
// one thread, so the results are the same however many run at once. The passes are reported in
// order afterwards, from this thread.
bool Search::judgeAll(const std::vector<int>& counts) {
    thread_local RoundHelper helper;
    std::vector<Candidate> made(counts.size());
    std::vector<std::shared_ptr<FittedPalette>> known;
    for (int colours : counts) known.push_back(knownPalette(colours));
    const bool shared =
        counts.size() > 1 && helper.start([&] { made[1] = judged(counts[1], known[1]); });
    for (size_t i = 0; i < counts.size(); ++i)
        if (!shared || i != 1) made[i] = judged(counts[i], known[i]);
    if (shared) helper.wait();
    for (size_t i = 0; i < counts.size(); ++i) {
        if (made[i].palette) palettes_[counts[i]] = made[i].palette;
        cache_[counts[i]] = std::move(made[i]);
        if (judge(counts[i]) == Verdict::Failed) return false;
    }
    return true;
}

const Candidate* Search::known(int index) const {
    auto it = cache_.find(usableCounts()[index]);
    return it == cache_.end() ? nullptr : &it->second;
}

bool Search::bmpOver(int index) const {
    const Candidate* c = known(index);
    return c && c->bmpSize > limits_.bmp;
}

// hi: the lowest index (most colours) known to fit, or n; lo: the highest index below it known
// to be over, or -1. Every index between them is still unjudged.
std::pair<int, int> Search::bracket() const {
    const int n = int(usableCounts().size());
    int lo = -1, hi = n;
    for (const auto& [colours, v] : verdicts_)
        if (v == Verdict::Fits) hi = std::min(hi, indexOf(colours));
    for (const auto& [colours, v] : verdicts_)
        if (v == Verdict::Over && indexOf(colours) < hi) lo = std::max(lo, indexOf(colours));
    return {lo, hi};
}

// The index of the largest count expected to fit, from the PNG sizes measured so far. Sizes
// follow a power of the colour count closely; the power is read off the two nearest sizes
// measured, about 1/3 on photographs when only one is known. The index is the one to try first
// with the one above it: the forecast itself when it reaches below the sizes measured, else one
// count above it, as forecasts between far-apart sizes fall a little short.
std::optional<int> Search::predict(int lo, int hi) const {
    const std::vector<int>& counts = usableCounts();
    const int n = int(counts.size());
    auto pngAt = [&](int index) {
        const Candidate* c = known(index);
        return c && c->pngSize > 0 ? c->pngSize : qint64(-1);
    };
    int a = -1, b = -1; // two measured indices, a < b; b anchors the curve
    if (hi < n) {
        b = hi;
        if (lo >= 0 && pngAt(lo) > 0) a = lo;
    } else {
        for (int i = lo; i >= 0 && a < 0; --i) {
            if (pngAt(i) <= 0) continue;
            if (b < 0)
                b = i;
            else
                a = i;
        }
    }
    if (b < 0) return std::nullopt;
    double power = 1.0 / 3;
    if (a >= 0) {
        // Sizes that hardly change with the count (a picture with few colours of its own)
        // tell nothing about where the limit is crossed.
        power = std::log(double(pngAt(a)) / double(pngAt(b))) /
                std::log(double(counts[a]) / double(counts[b]));
        if (!std::isfinite(power) || power < 0.1) return std::nullopt;
        power = std::min(power, 4.0);
    }
    if (limits_.png <= 0) return n - 1;
    // Below the counts measured the size falls faster than the power read between them, by
    // about a tenth on photographs at phone sizes.
    const bool below = limits_.png < pngAt(b);
    if (below) power *= 1.1;
    const int forecast =
        indexAtOrBelow(counts[b] * std::pow(double(limits_.png) / double(pngAt(b)), 1 / power));
    return below ? forecast : forecast - 1;
}

// The counts to try next while the bracket is open: the count expected to fit with the one above
// it, which closes the bracket when the forecast is right; or, when forecasts stop closing in,
// two counts splitting it in three.
std::vector<int> Search::narrow(int lo, int hi, bool bisect) const {
    const std::vector<int>& counts = usableCounts();
    const int index16 = int(counts.size()) - 4; // 16, then 8, 4, 2
    if (lo < 0) {
        // Only a tight opening leaves nothing over with something fitting: 128 fits, so 256
        // and the middle between them.
        if (hi < int(counts.size())) return {counts[0], counts[hi / 2]};
        // 256 colours, which many drawings fit whole, and 128 first. Under half a byte a pixel
        // photographs end far below 128, and the 256-colour palette is the dearest of all to
        // make: 128 and 64 then.
        if (limits_.png < qint64(source_.width()) * source_.height() / 2) return {128, 64};
        return {counts[0], 128};
    }
    std::vector<int> next;
    if (bmpOver(lo) && index16 > lo && index16 < hi) {
        // A BMP over its limit at 8 bits usually stays over down to 18 colours: try the counts
        // around the drop to 4 bits first, where the walk would go next.
        next = {index16, index16 - 1};
    } else if (const std::optional<int> aim = bisect ? std::nullopt : predict(lo, hi)) {
        const int t = std::clamp(*aim, lo + 1, hi - 1);
        next = {t, t - 1 > lo ? t - 1 : t + 1};
    } else {
        const int third = std::max(1, (hi - lo) / 3);
        next = {lo + third, hi - third};
    }
    std::vector<int> colours;
    for (int i : next)
        if (i > lo && i < hi && (colours.empty() || colours[0] != counts[i]))
            colours.push_back(counts[i]);
    return colours;
}

// The counts above the answer still to try before believing it: dithering makes sizes wobble
// near a limit, where the walk steps by 2 and may stop on a count the forecast jumped over.
// A BMP over its limit ends it at once: its size follows the bit depth and palette, and does
// not wobble.
std::vector<int> Search::confirm(int hi) const {
    const std::vector<int>& counts = usableCounts();
    std::vector<int> next;
    int misses = 0;
    const int most = dither_ ? kConfirmMisses : kPlainConfirmMisses;
    for (int i = hi - 1; i >= 0 && misses < most && next.size() < 2; --i, ++misses) {
        if (!verdicts_.count(counts[i]))
            next.push_back(counts[i]);
        else if (bmpOver(i))
            break;
    }
    return next;
}

FitResult Search::fast() {
    const std::vector<int>& counts = usableCounts();
    const int n = int(counts.size());
    int width = 0, stalls = 0; // the bracket of the last forecast; forecasts in a row that
                               // did not halve it
    for (;;) {
        const auto [lo, hi] = bracket();
        if (hi == 0) return success(counts[0]);
        std::vector<int> next;
        if (hi - lo > 1) {
            stalls = width > 0 && hi - lo > width / 2 ? stalls + 1 : 0;
            // Two forecasts that did not close in give way to plain splitting once.
            const bool bisect = stalls >= 2;
            if (bisect) stalls = 0;
            next = narrow(lo, hi, bisect);
            if (lo >= 0) width = hi - lo;
        } else if (hi == n) {
            auto it = cache_.find(lastJudged_);
            return failure(it == cache_.end() ? nullptr : &it->second);
        } else {
            next = confirm(hi);
            if (next.empty()) return success(counts[hi]);
        }
        if (!judgeAll(next)) return failure(&cache_[lastJudged_]);
    }
}

// Judges the two counts above colours; whether one of them fits.
bool Search::fitsAbove(int colours) {
    const std::vector<int>& counts = usableCounts();
    std::vector<int> above;
    for (int i = indexOf(colours) - 1; i >= 0 && above.size() < 2; --i) above.push_back(counts[i]);
    if (above.empty() || !judgeAll(above)) return false;
    return std::any_of(above.begin(), above.end(),
                       [&](int c) { return verdicts_[c] == Verdict::Fits; });
}

FitResult fixedCount(const QImage& source, int cset, const Encoder& encoder,
                     const std::function<void(const FitPass&)>& progress) {
    int bits = 8, option = ColorReduce::Optimised;
    int colours = (cset >= 2 && cset <= kMostColours) ? cset : kMostColours;
    if (cset == 2) {
        bits = 1;
        option = ColorReduce::FixedBlackWhite;
        colours = 0;
    } else if (cset == 4 || cset == 16) {
        bits = 4;
    }
    FitResult r;
    r.image = colorRes(source, bits, option, true, colours);
    r.bits = bits;
    if (r.image.isNull()) return r;
    r.ok = true;
    r.colours = colours;
    r.png = encoder ? encoder(r.image, kFitPngFormat, bits) : QByteArray();
    r.pngSize = r.png.isEmpty() ? -1 : r.png.size();
    r.passes = 1;
    if (progress) progress(FitPass{colours, bits, r.pngSize, -1, true, true});
    return r;
}

} // namespace

FitResult PNGRedraw(const QImage& source24, FitLimits limits, int cset, const Encoder& encoder,
                    const std::function<void(const FitPass&)>& progress, FitSearch search) {
    if (cset > 0) return fixedCount(source24, cset, encoder, progress);
    Palettes palettes;
    if (search == FitSearch::Walk)
        return Search(source24, limits, encoder, progress, palettes).walk();
    if (search == FitSearch::Plain)
        return Search(source24, limits, encoder, progress, palettes, false).fast();
    // Without dithering a file is smaller at the same count, so more colours fit; on photographs
    // at phone sizes that is worth more than the dithering is, by about 0.5 dB. The dithered
    // pictures just above the plain answer are judged too: when one fits (the walk would stop
    // there), the dithered search goes on, and the picture nearer the original wins among those
    // with no fewer colours than the dithered answer.
    FitResult plain = Search(source24, limits, encoder, progress, palettes, false).fast();
    Search dithered(source24, limits, encoder, progress, palettes);
    if (plain.ok && !dithered.fitsAbove(plain.colours)) {
        plain.passes += dithered.passes();
        return plain;
    }
    FitResult best = dithered.fast();
    if (plain.ok && best.ok && plain.colours >= best.colours &&
        psnr(plain.image, source24) > psnr(best.image, source24))
        std::swap(best, plain);
    best.passes += plain.passes;
    return best;
}

Encoder fileEncoder() {
    return [](const QImage& image, int format, int bits) {
        return ImageCodec::encode(image, format, bits, 0);
    };
}
