// README "Linking a host": the main() the install test appends to the README's host examples.
// Argument: the scratch folder, which is also the working directory; the test has copied the
// plug-in into its "plugins" folder with the README's command. Exit status 1 when a check failed.

#include "Consumer.h"

int main(int argc, char** argv)
{
    if (argc == 3) // run again by runListenerAddress
        return playWithoutTheListener(argv[2]);
    if (argc != 2)
        return 2;
    const std::shared_ptr<VornCommon::Logger> logger = InstallLogger();
    ListFilterClasses(); // the test reads its lines
    runBuiltGraph();
    runCallbacks();
    runThrows(logger);
    runFailedStops(logger);
    runWorkerEndListenerThrows(logger);
    runCallsInsideWalks<Hyx::AsyncGraph>();
    runCallsInsideWalks<Hyx::Graph>();
    runStopRequests();
    runBuildingCallsRefused<Hyx::AsyncGraph>();
    runBuildingCallsRefused<Hyx::Graph>();
    runBuildingFromAnAddsHooks<Hyx::AsyncGraph>();
    runBuildingFromAnAddsHooks<Hyx::Graph>();
    runDisconnectFromTheWorker();
    runListReadersBesideRebuilds(logger);
    runFoldedStopInFailedStop<Hyx::AsyncGraph>();
    runFoldedStopInFailedStop<Hyx::Graph>();
    runPausedPassQueues<Hyx::AsyncGraph>();
    runPausedPassQueues<Hyx::Graph>();
    runRebuildWhenStopped();
    runHandedStop();
    runPlayWithoutOrder();
    runErrorTexts(logger);
    runThrowingLogger(logger);
    runRanges(logger);
    runInjection(logger);
    runTake(argv[1]);
    runFramePositions();
    runTakeFiles(logger);
    runTextures();
    runLenientGraphFile(logger);
    runCompressionChoice();
    runTransformProfiles();
    runGraphFile();
    runListenerAddress(logger, argv[0], argv[1]);
    runMisspeltGraphFile(logger);
    runCompressionCodes();
    runCompressorOrder();
    runShortCompressedLayer(logger);
    runTranscoding(logger);
    runStandIns(logger);
    runLayerSwitches(logger);
    runImages(logger);
    runCameras();
    runManualSourceFrames();
    runFilterMoves(logger);
    runStreamSelection();
    runPacing();
    runModesOutsidePlaybackMode();
    runLeavingRealtime();
    runReaderLines(logger);
    runKeeperOffersOneLayer();
    runLayerCopies();
    runKeptLastFrames();
    runNumberTexts();
    runNumPoints();
    runPlugin(logger, argv[1]);
    runMultiStreamSource();
    runDamagedTake();
    runDecompressExceptions();
    runKeeperNames();
    runTargetLast();
    runLastErrorAfterSuccess();
    runBlockMutateWait();
    runBlockFpsRates(logger);
    runFrameRanges(logger);
    runEmptySourceFrameNumbersWrap();
    runLivePushesKept();
    runQuendraFirstGraph(logger);
    Hyx::ResetHYXLoggerInstance();
    return failures == 0 ? 0 : 1;
}
