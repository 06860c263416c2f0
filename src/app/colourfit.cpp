#include "app/colourfit.h"

#include "platform/colorreduce.h"
#include "platform/imagecodec.h"

#include <map>
#include <vector>

namespace {

constexpr int kMostColours = 256;
// Counts above the bisection's answer that the fast search still tries before it believes the
// answer: dithering makes sizes wobble near a limit, where the walk steps by 2 and may stop
// on a count the bisection jumped over.
constexpr int kConfirmMisses = 4;

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
    QImage image;
    int bits = 8;
    bool pngDone = false, bmpDone = false;
    qint64 pngSize = -1, bmpSize = -1;
    QByteArray png;
};

enum class Verdict { Fits, Over, Failed };

class Search {
public:
    Search(const QImage& source, FitLimits limits, const Encoder& encoder,
           const std::function<void(const FitPass&)>& progress)
        : source_(source), limits_(limits), encoder_(encoder), progress_(progress) {}

    FitResult walk();
    FitResult fast();

private:
    Candidate* at(int colours);
    bool measurePng(Candidate& c);
    bool measureBmp(Candidate& c);
    Verdict judge(int colours);
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
    std::map<int, Candidate> cache_;
    std::map<int, Verdict> verdicts_;
    int passes_ = 0;
    qint64 lastPngSize_ = -1;
};

// Quantised once per count, always from the picture as it was before the search.
Candidate* Search::at(int colours) {
    auto it = cache_.find(colours);
    if (it == cache_.end()) {
        Candidate c;
        c.bits = bitsFor(colours);
        c.image = colorRes(source_, c.bits, ColorReduce::Optimised, true, colours);
        it = cache_.emplace(colours, std::move(c)).first;
    }
    return it->second.image.isNull() ? nullptr : &it->second;
}

bool Search::measurePng(Candidate& c) {
    if (!c.pngDone) {
        c.pngDone = true;
        c.png = encoder_ ? encoder_(c.image, kFitPngFormat, c.bits) : QByteArray();
        c.pngSize = c.png.isEmpty() ? -1 : c.png.size();
    }
    if (c.pngSize >= 0) lastPngSize_ = c.pngSize;
    return c.pngSize >= 0;
}

bool Search::measureBmp(Candidate& c) {
    if (!c.bmpDone) {
        c.bmpDone = true;
        const QByteArray bmp = encoder_ ? encoder_(c.image, kFitBmpFormat, c.bits) : QByteArray();
        c.bmpSize = bmp.isEmpty() ? -1 : bmp.size();
    }
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

// One pass per count: the cheap BMP first, the PNG only when the BMP fits.
Verdict Search::judge(int colours) {
    if (auto it = verdicts_.find(colours); it != verdicts_.end()) return it->second;
    Verdict v = Verdict::Failed;
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

FitResult Search::fast() {
    const std::vector<int>& counts = usableCounts();
    const int n = int(counts.size());
    const int index16 = n - 4; // 16, then 8, 4, 2
    auto candidate = [&](int index) -> const Candidate* {
        auto it = cache_.find(counts[index]);
        return it == cache_.end() ? nullptr : &it->second;
    };
    auto bmpOver = [&](int index) {
        const Candidate* c = candidate(index);
        return c && c->bmpSize > limits_.bmp;
    };
    // lo never fits; hi fits (n: none found yet). Sizes are assumed not to grow with fewer
    // colours, so the largest fitting count lies right below lo.
    int lo = 0, hi = n;
    auto probe = [&](int index) {
        const Verdict v = judge(counts[index]);
        if (v == Verdict::Fits)
            hi = index;
        else if (v == Verdict::Over)
            lo = index;
        return v != Verdict::Failed;
    };
    if (!probe(0)) return failure(candidate(0));
    if (hi == 0) return success(counts[0]);
    // A BMP over its limit at 8 bits usually stays over down to 18 colours: try the counts
    // around the drop to 4 bits first, where the walk would go next.
    if (bmpOver(0)) {
        if (!probe(index16)) return failure(candidate(index16));
        if (hi == index16 && !probe(index16 - 1)) return failure(candidate(index16 - 1));
    }
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (!probe(mid)) return failure(candidate(mid));
    }
    if (hi == n) return failure(candidate(n - 1));
    // Confirm upwards until several counts in a row stay over. A BMP over its limit ends it at
    // once: its size follows the bit depth and palette, and does not wobble.
    int misses = 0;
    for (int i = hi - 1; i >= 0 && misses < kConfirmMisses; --i) {
        const Verdict v = judge(counts[i]);
        if (v == Verdict::Failed) return failure(candidate(i));
        if (v == Verdict::Fits) {
            hi = i;
            misses = 0;
        } else if (bmpOver(i)) {
            break;
        } else {
            ++misses;
        }
    }
    return success(counts[hi]);
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
    Search s(source24, limits, encoder, progress);
    return search == FitSearch::Walk ? s.walk() : s.fast();
}

Encoder fileEncoder() {
    return [](const QImage& image, int format, int bits) {
        return ImageCodec::encode(image, format, bits, 0);
    };
}
