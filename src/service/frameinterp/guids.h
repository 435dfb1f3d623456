// GUID strings of this module's service and of the host services it acquires.
#pragma once

namespace frameinterp {

// The two identifiers of the "frame interp" service record.
inline constexpr char FRAMEINTERP_SERVICE_GUID[] = "92EC2200-98E7-4F7A-8AA4-5901DB0630C5";
inline constexpr char FRAMEINTERP_SECOND_GUID[] = "F5D86C44-9C8F-419B-9B23-CC662625488D";

// Host services: visual processing (blending) and the GPU service.
inline constexpr char OVK_VISUAL_PROCESS_GUID[] = "C83AA1C4-7DD3-4C7D-962B-A3DC01E1F2F6";
inline constexpr char OVK_GPU_UHP_GUID[] = "C8CBF3DC-4807-480C-B3F3-9E12B87EB3E7";

}  // namespace frameinterp
