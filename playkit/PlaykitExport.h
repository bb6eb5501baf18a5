#pragma once

#define PLAYKIT_API __attribute__((visibility("default")))
