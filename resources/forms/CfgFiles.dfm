object SaveOptionForm: TSaveOptionForm
  Left = 280
  Top = 190
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Options'
  ClientHeight = 204
  ClientWidth = 330
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  HelpContext = 4017
  Position = poScreenCenter
  PixelsPerInch = 96
  object GroupSave: TGroupBox
    Left = 8
    Top = 8
    Width = 225
    Height = 72
    Caption = 'Save for use with'
    TabOrder = 0
    object Rad16and32: TRadioButton
      Left = 12
      Top = 20
      Width = 205
      Height = 17
      Caption = 'Windows &3.1 and Windows 95/NT'
      TabOrder = 0
    end
    object Rad32only: TRadioButton
      Left = 12
      Top = 44
      Width = 205
      Height = 17
      Caption = 'Windows &95/NT only'
      TabOrder = 1
    end
  end
  object GroupModes: TGroupBox
    Left = 8
    Top = 88
    Width = 225
    Height = 104
    Caption = 'Select configuration modes to view'
    TabOrder = 1
    object ChkSession: TCheckBox
      Left = 12
      Top = 22
      Width = 160
      Height = 17
      Caption = '&Session'
      TabOrder = 0
    end
    object ChkPersistent: TCheckBox
      Left = 12
      Top = 48
      Width = 160
      Height = 17
      Caption = '&Persistent'
      TabOrder = 1
    end
    object ChkVirtual: TCheckBox
      Left = 12
      Top = 74
      Width = 160
      Height = 17
      Caption = '&Virtual'
      TabOrder = 2
    end
  end
  object BtnOK: TButton
    Left = 245
    Top = 14
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 2
  end
  object BtnCancel: TButton
    Left = 245
    Top = 46
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 3
  end
  object BtnHelp: TButton
    Left = 245
    Top = 78
    Width = 75
    Height = 25
    Caption = '&Help'
    TabOrder = 4
    OnClick = BtnHelpClick
  end
end
