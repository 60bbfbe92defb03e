#include "audio/pcm_source.h"

#include <algorithm>
#include <cstring>

namespace korva {

PcmSource::PcmSource(std::unique_ptr<PcmProducer> producer, bool loop)
    : staging(kRingFrames), producer_(std::move(producer)), loop_(loop), rate_(producer_->rate()), block_(kBlockFrames) {}

uint32_t PcmSource::requestStart() {
    stopped_.store(false, std::memory_order_relaxed);
    return wantedEpoch_.fetch_add(1, std::memory_order_release) + 1;
}

void PcmSource::requestStop() { stopped_.store(true, std::memory_order_relaxed); }

bool PcmSource::pump() {
    const uint32_t wanted = wantedEpoch_.load(std::memory_order_acquire);
    if (wanted != producedEpoch_) {
        if (!atStart_) producer_->rewind();
        atStart_ = false;
        finished_ = false;
        producedEpoch_ = wanted;
        epochStart_.store(ring_.writeIndex(), std::memory_order_relaxed);
        epoch_.store(wanted, std::memory_order_release);
    }
    if (finished_ || stopped_.load(std::memory_order_relaxed)) return false;
    const int32_t room = static_cast<int32_t>(std::min<uint32_t>(ring_.writable(), kBlockFrames));
    if (room < kBlockFrames / 2) return false;
    int32_t count = producer_->render(block_.data(), room);
    // A looping sound goes on from its start; one that yields nothing even
    // there has ended for good.
    if (count == 0 && loop_ && producer_->rewind()) count = producer_->render(block_.data(), room);
    if (count <= 0) {
        finished_ = true;
        endIndex_.store(ring_.writeIndex(), std::memory_order_relaxed);
        endedEpoch_.store(producedEpoch_, std::memory_order_release);
        return false;
    }
    ring_.write(block_.data(), static_cast<uint32_t>(std::min(count, room)));
    return true;
}

bool PcmSource::refill(uint32_t epoch, bool& synced) {
    if (!synced) {
        if (epoch_.load(std::memory_order_acquire) != epoch) return false;
        // Frames of earlier starts are dropped; the read position never goes back.
        const uint32_t start = epochStart_.load(std::memory_order_relaxed);
        if (static_cast<int32_t>(start - ring_.readIndex()) > 0) ring_.skipTo(start);
        staged = 0;
        synced = true;
    }
    staged += ring_.read(staging.data() + staged, static_cast<uint32_t>(staging.size()) - staged);
    return true;
}

bool PcmSource::drained(uint32_t epoch) const {
    return endedEpoch_.load(std::memory_order_acquire) == epoch &&
           ring_.readIndex() == endIndex_.load(std::memory_order_relaxed);
}

}  // namespace korva
