#include "motion/me_context.h"

#include "motion/me_costs.h"

namespace frameinterp {

void init_estimator(MEContext* me, int32_t block_size, int32_t search_range, int32_t width,
                    int32_t height, int32_t x_min, int32_t x_max, int32_t y_min, int32_t y_max) {
  me->block_size = block_size;
  me->search_range = search_range;
  me->width = width;
  me->height = height;
  me->x_min = x_min;
  me->x_max = x_max;
  me->y_min = y_min;
  me->y_max = y_max;
  me->cost_fn = block_sad;
}

}  // namespace frameinterp
