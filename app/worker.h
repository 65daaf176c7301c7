#pragma once
// Deletes the temporary archive that this run wrote, if any. Worker thread.
void deleteArchiveWritten();
