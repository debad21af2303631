// The test classes of the small windows and seams, run by one executable.
#pragma once

#include <QObject>

class SplashWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void GoesAfterItsTime();
  void RunReturnsOnceItHasGone();
  void AClickOrAKeyClosesItAndIsConsumed_data();
  void AClickOrAKeyClosesItAndIsConsumed();
};

class QtDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void FiltersInQtNotation_data();
  void FiltersInQtNotation();
  void AMessageAskedFromAWorkerIsShownByTheWindowThread_data();
  void AMessageAskedFromAWorkerIsShownByTheWindowThread();
  void ACancelledFolderChoiceLeavesThePath();
  void TheOpenDialogComesBackLargeInTheLastFolderUsed();
  void AMissingDocumentIsNotOpened();
  void ThePasswordDialogSaysWhyItAsks();
};
