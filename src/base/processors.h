// How many processors this process may run on: the jobs a tree run starts.
#pragma once

namespace q5 {

int available_processors();

}  // namespace q5
