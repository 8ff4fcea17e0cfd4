#pragma once

namespace fw::audio {

// Something holding mixer resources (a decoded sound). Shutdown calls
// ReleaseMixerResources on every attached client before it closes the mixer.
class MixerClient {
 public:
  virtual void ReleaseMixerResources() = 0;

 protected:
  ~MixerClient() = default;
};

}  // namespace fw::audio
